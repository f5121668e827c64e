// The netlist language of mirtex-sim: one statement per line,
//
//   <Type>:<Name> [nodes...] KEY=VALUE ...
//
// where Type is a definition the model library registered (element or data
// item) or one of the host's own statements, Term (a port) and S_Param (the
// frequency sweep).  Keywords, node counts and value types all come from the
// registered definitions; the parser keeps no table of its own.
//
//   INCLUDE "file"
//
// reads the data items of another file (a foundry's process and technology),
// its name relative to the including file.  Every error is a NetlistError
// that names the file and the line, an included file's own where it is in one.  docs/netlist.md is the
// user's description of the language.
#pragma once

#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "host.h"

namespace mirtex::sim {

struct Netlist;

// One error, or every error of a netlist: what() and the accessors tell the
// first, all() each one as "<file>:<line>: <message>" in the order found.
// After parsing, partial() holds the statements that were sound when every
// data item was, so that the library can still check the elements; it is
// null otherwise (the library's checks would only repeat the item's error).
class NetlistError : public std::runtime_error {
public:
    NetlistError(const std::string& file, int line, const std::string& message);
    NetlistError(std::vector<NetlistError> errors, std::shared_ptr<const Netlist> partial);
    const std::string& file() const { return file_; }
    int line() const { return line_; }
    const std::string& message() const { return message_; }
    const std::vector<std::string>& all() const { return all_; }
    const Netlist* partial() const { return partial_.get(); }

private:
    std::string file_;
    int line_;
    std::string message_;
    std::vector<std::string> all_;
    std::shared_ptr<const Netlist> partial_;
};

// The node name that stands for ground ("0" and "gnd" are written as "0").
inline constexpr std::string_view kGround = "0";

// An instance of a library definition, ready for Host::create.
struct Item {
    const UserElemDef* def = nullptr;
    std::string name;
    std::string file;  // the netlist, or the included file that holds the item
    int line = 0;
    std::vector<std::string> nodes;  // as many as def->numExtNodes
    host::Params params;             // every parameter, in definition order
    std::map<std::string, std::string> written;  // each given number as written ("50um"), for messages
};

// Port k: the voltage of node against ground, referred to a real
// resistance z.
struct Port {
    std::string name;
    int line = 0;
    int number = 0;
    double z = 50.0;
    std::string node;
};

struct Sweep {
    std::string name;
    int line = 0;
    std::vector<double> freqs_hz;  // strictly increasing
    bool log = false;              // logarithmic spacing (plotted on a log axis)
};

struct Netlist {
    std::string file;
    std::vector<Item> items;  // in the order of the text
    std::vector<Port> ports;  // ordered by number, numbered 1..N
    Sweep sweep;
    // "<file>:<line>: warning: ..." lines: statements that parse but are
    // likely not what was meant.
    std::vector<std::string> warnings;
};

// Largest sweep the parser accepts (a bound for hostile input, far beyond
// any measurement).
inline constexpr int kMaxPoints = 1000000;

// Parse text against the definitions registered with host.  file names the
// source in messages.  Throws NetlistError with every error of the text: a
// bad statement is left out and the parser goes on with the next one, a bad
// parameter leaves out its item but not the item's other parameters.
Netlist parse_netlist(std::string_view text, const std::string& file, host::Host& host);

// Read and parse a file; an unreadable file is a NetlistError at line 0.
Netlist read_netlist(const std::string& path, host::Host& host);

// Create the host instances of every item, in netlist order.  A host
// refusal is reported as a NetlistError at the item's line.
std::vector<UserInstDef*> create_instances(const Netlist& nl, host::Host& host);

}  // namespace mirtex::sim
