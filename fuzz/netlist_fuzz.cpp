// libFuzzer target: the netlist parser and the creation of its instances,
// against the catalogue of the linked-in library.  Any input must end in a
// parsed netlist or a NetlistError, never in a crash or a hang.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "host.h"
#include "sim/netlist.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto& host = mirtex::host::Host::get();
    static const bool booted = host.boot_all();
    (void)booted;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    try {
        const mirtex::sim::Netlist nl = mirtex::sim::parse_netlist(text, "fuzz.net", host);
        mirtex::sim::create_instances(nl, host);
    } catch (const mirtex::sim::NetlistError&) {
    }
    host.clear_instances();
    host.clear_log();
    return 0;
}
