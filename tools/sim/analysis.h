// The circuit analysis of mirtex-sim: every element's admittance matrix is
// stamped into the nodal admittance matrix of the circuit, the ports are
// terminated in their reference resistances, and the scattering matrix is
// read off the node voltages.  Internal nodes never need to be eliminated
// explicitly: solving the terminated circuit for one excitation per port
// does that.
#pragma once

#include <csignal>
#include <functional>
#include <string>
#include <vector>

#include <Eigen/Dense>

#include "host.h"
#include "sim/netlist.h"

namespace mirtex::sim {

// S-parameters over a sweep, each matrix referred to the ports' real
// reference resistances.
struct NetworkData {
    std::vector<double> freqs_hz;
    std::vector<double> z_ref;         // per port, ohms
    std::vector<Eigen::MatrixXcd> s;   // per frequency, ports x ports
    std::size_t ports() const { return z_ref.size(); }
};

enum class ParamKind { S, Y, Z };

// Y (siemens) or Z (ohms) from S referred to real resistances z_ref.  Throws
// std::domain_error when the matrix does not exist (Y of ports shorted
// together, Z of an open port pair).
Eigen::MatrixXcd convert(const Eigen::MatrixXcd& s, const std::vector<double>& z_ref, ParamKind kind);

// The same network with every port referred to the real resistance z.  With
// k = (R + z) / (2 sqrt(R z)) and g = (z - R) / (z + R) per port,
//   S' = K (S - G) (I - G S)^-1 K^-1.
// Throws std::domain_error where I - G S is singular.
NetworkData renormalise(const NetworkData& d, double z);

class Circuit {
public:
    // Numbers the nodes of the netlist's elements and ports.  insts are the
    // host instances of nl.items, in the same order.
    Circuit(const Netlist& nl, std::vector<UserInstDef*> insts);

    const std::vector<UserInstDef*>& instances() const { return insts_; }
    std::size_t node_count() const { return node_names_.size(); }
    const std::vector<std::string>& node_names() const { return node_names_; }
    const std::vector<double>& z_ref() const { return z_ref_; }

    // Stamp the per-instance Y matrices of one frequency point and solve for
    // S.  False with a reason when a matrix is not finite or the circuit
    // matrix is singular.
    bool solve(const host::Point& pt, Eigen::MatrixXcd& s, std::string& why);

private:
    std::vector<UserInstDef*> insts_;
    std::vector<std::vector<int>> inst_nodes_;  // per instance, node index or -1 for ground
    std::vector<std::string> node_names_;
    std::vector<int> port_node_;
    std::vector<double> z_ref_;
    Eigen::MatrixXcd g_, rhs_, x_;
};

struct RunOptions {
    // Called after every point with its index and the sweep's length.
    std::function<void(std::size_t, std::size_t)> progress;
    // Polled between points; when set, the sweep stops.
    const volatile std::sig_atomic_t* stop = nullptr;
};

struct RunResult {
    enum class Status { Ok, ElementFailed, SolveFailed, Interrupted };
    Status status = Status::Ok;
    std::string why;
    NetworkData data;
};

// One analysis over the netlist's sweep: the host's pre-analysis callbacks,
// per frequency every Y callback and the solve, then the post-analysis
// callbacks.
RunResult run_sweep(Circuit& c, const Netlist& nl, host::Host& host, const RunOptions& opt = {});

}  // namespace mirtex::sim
