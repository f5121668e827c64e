// The shipped library as a simulator meets it: loaded with dlopen into a
// process that provides the host, its dynamic symbol table, and the
// catalogue listing of mirtex-sim.
#include <elf.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "host.h"
#include "support/fresh_process.h"

using mirtex::host::Host;
using mirtex::host::Severity;

namespace {

const std::string kLib = std::string(MIRTEX_BUILD_DIR) + "/libmirtex.so";
const std::string kSim = std::string(MIRTEX_BUILD_DIR) + "/mirtex-sim";

struct DynamicTable {
    std::set<std::string> defined, undefined, needed;
};

// Read .dynsym/.dynstr and the DT_NEEDED entries of a 64-bit ELF file.
DynamicTable read_dynamic(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    const std::vector<char> img((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    DynamicTable t;
    if (img.size() < sizeof(Elf64_Ehdr)) return t;
    const auto* eh = reinterpret_cast<const Elf64_Ehdr*>(img.data());
    const auto* sh = reinterpret_cast<const Elf64_Shdr*>(img.data() + eh->e_shoff);
    for (int i = 0; i < eh->e_shnum; ++i) {
        if (sh[i].sh_type != SHT_DYNSYM && sh[i].sh_type != SHT_DYNAMIC) continue;
        const char* strtab = img.data() + sh[sh[i].sh_link].sh_offset;
        if (sh[i].sh_type == SHT_DYNSYM) {
            const auto* sym = reinterpret_cast<const Elf64_Sym*>(img.data() + sh[i].sh_offset);
            for (std::size_t k = 1; k < sh[i].sh_size / sizeof(Elf64_Sym); ++k) {
                const std::string name = strtab + sym[k].st_name;
                (sym[k].st_shndx == SHN_UNDEF ? t.undefined : t.defined).insert(name);
            }
        } else {
            const auto* dyn = reinterpret_cast<const Elf64_Dyn*>(img.data() + sh[i].sh_offset);
            for (; dyn->d_tag != DT_NULL; ++dyn)
                if (dyn->d_tag == DT_NEEDED) t.needed.insert(strtab + dyn->d_un.d_val);
        }
    }
    return t;
}

std::string run(const std::string& cmd, int& status) {
    std::string out;
    FILE* p = popen(cmd.c_str(), "r");
    if (p == nullptr) return out;
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    status = pclose(p);
    return out;
}

}  // namespace

TEST(Library, LoadsWithDlopenAndBootsThroughItsInstallers) {
    MIRTEX_FRESH_PROCESS();
    std::string err;
    ASSERT_NE(mirtex::host::load_library(kLib, err), nullptr) << err;
    Host& h = Host::get();
    ASSERT_EQ(h.announced().size(), 40u);
    EXPECT_TRUE(h.log().empty());  // loading announces, it does not boot
    EXPECT_TRUE(h.boot("CxLIN"));
    EXPECT_TRUE(h.boot_all());
    EXPECT_EQ(h.count(Severity::Info, "Booting module MIRTEX ..."), 1u);
    EXPECT_EQ(h.count(Severity::Info, "Booting MIRTEX v4.2 r47"), 1u);
    EXPECT_EQ(h.definitions().size(), 42u);
    EXPECT_NE(h.definition("CxTFG"), nullptr);
}

TEST(Library, MissingLibraryIsAOneLineError) {
    std::string err;
    EXPECT_EQ(mirtex::host::load_library("/nonexistent/libmirtex.so", err), nullptr);
    EXPECT_NE(err.find("/nonexistent/libmirtex.so"), std::string::npos);
    EXPECT_EQ(err.find('\n'), std::string::npos);
}

TEST(Library, ExportsPlainNamesLeavesHostNamesUndefinedAndNeedsOnlyTheRuntime) {
    const DynamicTable t = read_dynamic(kLib);
    ASSERT_FALSE(t.defined.empty());
    for (const char* name : {"boot_senior_mirtex", "boot_mirtex_dyn", "boot_cpw_zoka", "sim_query_info", "device_names",
                             "cpw_all_pre", "cpw_all_post", "cpw_pre_flg", "CPW_Misc", "foundries", "c_debug",
                             "thermal_n", "cpw_line_y", "cpw_rindE_y", "cpw_10coup_y", "cpw_line_pre", "c_debug_pre",
                             "c_debug_post", "line_ipar", "feed5_dpar_out", "coup_n_dpar_out", "bruecke_ipar_out",
                             "g_malloc", "g_free", "_Z8stop_cpwi", "_Z12add_y_branchP11UserInstDefii7COMPLEX"})
        EXPECT_TRUE(t.defined.count(name)) << name;

    // The boot callback is reached only through the installers; a field
    // solver's internals are not part of the interface.
    for (const std::string& s : t.defined) {
        EXPECT_EQ(s.find("boot_mirtex_once"), std::string::npos) << s;
        EXPECT_EQ(s.find("charge2d"), std::string::npos) << s;
        // C++ names: only the two decorated entries, and standard-library
        // template instances the compiler may emit weakly.
        if (s.rfind("_Z", 0) == 0 && s.rfind("_ZNSt", 0) != 0 && s.rfind("_ZNKSt", 0) != 0 && s.rfind("_ZSt", 0) != 0) {
            EXPECT_TRUE(s == "_Z8stop_cpwi" || s == "_Z12add_y_branchP11UserInstDefii7COMPLEX") << s;
        }
    }

    for (const char* host : {"load_elements", "load_elements2", "get_user_inst", "send_error_to_scn", "send_info_to_scn",
                             "passive_noise", "add_lin_y", "first_frequency", "_ZN15DeviceInstallerC1EPKcPFivEi"})
        EXPECT_FALSE(t.defined.count(host)) << host;
    for (const char* used : {"load_elements", "load_elements2", "send_error_to_scn", "send_info_to_scn",
                             "passive_noise", "add_lin_y", "_ZN15DeviceInstallerC1EPKcPFivEi"})
        EXPECT_TRUE(t.undefined.count(used)) << used;

    const std::set<std::string> runtime = {"libc.so.6", "libm.so.6", "libstdc++.so.6", "libgcc_s.so.1",
                                           "ld-linux-x86-64.so.2"};
    for (const std::string& n : t.needed) {
        // Sanitizer builds add their own runtimes.
        if (n.find("asan") != std::string::npos || n.find("ubsan") != std::string::npos) continue;
        EXPECT_TRUE(runtime.count(n)) << n;
    }
}

TEST(Library, SimListsTheCatalogueAndRejectsABadLibrary) {
    int status = -1;
    const std::string out = run(kSim + " --list 2>/dev/null", status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(out.rfind("42 definitions\n", 0), 0u) << out.substr(0, 200);
    for (const char* line : {"CxLIN  nodes=2  parameters=5", "C_10COUP  nodes=20  parameters=5",
                             "C_NL_TYP  nodes=0  parameters=33", "    LEVEL10 INT", "    FILE STRG", "    C_SUB MTRL"})
        EXPECT_NE(out.find(line), std::string::npos) << line;

    for (const std::string& lib : {std::string("/nonexistent/x.so"), std::string(MIRTEX_BUILD_DIR) + "/libmirtex_host.so"}) {
        const std::string err = run(kSim + " --list --lib " + lib + " 2>&1 >/dev/null", status);
        EXPECT_NE(status, 0) << lib;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
        EXPECT_NE(err.find("mirtex-sim:"), std::string::npos) << err;
    }
}
