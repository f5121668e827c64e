// Shared pieces of the parameter tests: a booted library, a design on the
// stand-in host and the lines of its windows.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host.h"
#include "params/params.h"
#include "support/design.h"

namespace mirtex::test {

inline std::vector<std::string> lines(host::Severity s) {
    std::vector<std::string> out;
    for (const host::LogLine& l : host::Host::get().log())
        if (l.severity == s) out.push_back(l.text);
    return out;
}
inline std::vector<std::string> errors() { return lines(host::Severity::Error); }

inline std::vector<std::string> texts(const WARN* w) {
    std::vector<std::string> out;
    for (; w != nullptr; w = w->next) out.emplace_back(w->text);
    return out;
}

class ParamsTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(host::Host::get().boot_all());
        host::Host::get().clear_log();
    }
    void TearDown() override { Delete_Warning(&warnings); }

    Design design;
    WARN* warnings = nullptr;
};

}  // namespace mirtex::test
