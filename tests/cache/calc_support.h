// Helpers of the calculation-file tests: line-shaped records made from an
// index, whole-file reads and writes, the file's place in the table
// directory of the test process.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "cache/calc_file.h"

namespace mirtex::test {

inline constexpr const char* kLineFile = "cpw_line.cdb";
inline constexpr const char* kLineIdent = "Tessaric Line";

// A record with the line solver's shape (9 ints, 10 reals in; 8 reals out),
// distinct for every index.
struct Rec {
    std::vector<int> ipar;
    std::vector<double> dpar;
    std::vector<int> ipar_out;
    std::vector<double> dpar_out;

    static Rec line(int k, int n_ipar = 9, int n_dpar = 10, int n_dpar_out = 8) {
        Rec r;
        for (int i = 0; i < n_ipar; ++i) r.ipar.push_back(k * 31 + i);
        for (int i = 0; i < n_dpar; ++i) r.dpar.push_back(1e-6 * (i + 1) + k);
        // Positive results, as a solved line has them.
        for (int i = 0; i < n_dpar_out; ++i) r.dpar_out.push_back(k + 1 + 0.5 * i);
        return r;
    }
    int write(const char* file = kLineFile, const char* ident = kLineIdent) const {
        return WriteCalc(file, ident, ipar.data(), n(ipar), dpar.data(), n(dpar), ipar_out.data(), n(ipar_out),
                         dpar_out.data(), n(dpar_out));
    }
    // ReadCalc's answer; on a hit the results it delivered are in *got.
    int read(Rec* got = nullptr, const char* file = kLineFile, const char* ident = kLineIdent) const {
        Rec out;
        out.ipar_out.assign(ipar_out.size(), -7);
        out.dpar_out.assign(dpar_out.size(), -7.0);
        const int rc = ReadCalc(file, ident, ipar.data(), n(ipar), dpar.data(), n(dpar), out.ipar_out.data(),
                                n(ipar_out), out.dpar_out.data(), n(dpar_out));
        if (got) *got = out;
        return rc;
    }
    // True when ReadCalc hits and delivers exactly this record's results.
    bool found() const {
        Rec got;
        return read(&got) == 0 && got.ipar_out == ipar_out && std::memcmp(got.dpar_out.data(), dpar_out.data(), dpar_out.size() * sizeof(double)) == 0;
    }
    std::size_t bytes() const {
        return 16 + 4 * ipar.size() + 8 * dpar.size() + 4 * ipar_out.size() + 8 * dpar_out.size();
    }

private:
    template <typename V>
    static int n(const V& v) { return static_cast<int>(v.size()); }
};

inline std::string table_file(const char* name = kLineFile) { return table_directory() + name; }

inline std::vector<unsigned char> file_bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Bytes put in place by hand are a file whose writer kept no checksums.
inline void put_bytes(const std::string& path, const std::vector<unsigned char>& data) {
    std::remove((path + ".sum").c_str());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
}

template <typename T>
void append_raw(std::vector<unsigned char>& out, const T& v) {
    const auto* b = reinterpret_cast<const unsigned char*>(&v);
    out.insert(out.end(), b, b + sizeof v);
}

inline std::vector<unsigned char> line_header() {
    std::vector<unsigned char> h;
    append_raw(h, std::int32_t{14});
    const char ident[] = "Tessaric Line";
    h.insert(h.end(), ident, ident + sizeof ident);
    return h;
}

inline std::vector<unsigned char> record_bytes(const Rec& r) {
    std::vector<unsigned char> out;
    for (std::size_t n : {r.ipar.size(), r.dpar.size(), r.ipar_out.size(), r.dpar_out.size()})
        append_raw(out, static_cast<std::int32_t>(n));
    for (int v : r.ipar) append_raw(out, v);
    for (double v : r.dpar) append_raw(out, v);
    for (int v : r.ipar_out) append_raw(out, v);
    for (double v : r.dpar_out) append_raw(out, v);
    return out;
}

inline std::vector<unsigned char> line_file(const std::vector<Rec>& recs) {
    std::vector<unsigned char> f = line_header();
    for (const Rec& r : recs) {
        const auto b = record_bytes(r);
        f.insert(f.end(), b.begin(), b.end());
    }
    return f;
}

}  // namespace mirtex::test

#include <sys/wait.h>
#include <unistd.h>

#include <functional>

namespace mirtex::test {

// Run fn in a child process; its exit status (fn's result), or 128 + the
// signal that ended it.
inline int in_child(const std::function<int()>& fn) {
    const pid_t pid = fork();
    if (pid == 0) _exit(fn());
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

}  // namespace mirtex::test
