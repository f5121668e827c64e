#include "sim/analysis.h"

#include <cmath>
#include <map>
#include <stdexcept>

#include <fmt/format.h>

namespace mirtex::sim {

namespace {

// Below this reciprocal condition number the circuit matrix is taken as
// singular: a node or a part of the circuit is connected neither to ground
// nor to a port (exact cancellation of stamps leaves it at or near zero).
constexpr double kSingular = 1e-15;

std::string freq_text(double f) { return fmt::format("{:g} Hz", f); }

}  // namespace

Eigen::MatrixXcd convert(const Eigen::MatrixXcd& s, const std::vector<double>& z_ref, ParamKind kind) {
    if (kind == ParamKind::S) return s;
    const auto n = s.rows();
    const Eigen::MatrixXcd id = Eigen::MatrixXcd::Identity(n, n);
    // With r = diag(sqrt(z_ref)): y_n = (I - S)(I + S)^-1 and z_n its inverse;
    // both factors are polynomials in S, so they commute and a plain solve
    // gives the product.
    const Eigen::MatrixXcd a = kind == ParamKind::Y ? Eigen::MatrixXcd(id + s) : Eigen::MatrixXcd(id - s);
    const Eigen::MatrixXcd b = kind == ParamKind::Y ? Eigen::MatrixXcd(id - s) : Eigen::MatrixXcd(id + s);
    Eigen::PartialPivLU<Eigen::MatrixXcd> lu(a);
    if (!(lu.rcond() > kSingular))
        throw std::domain_error(kind == ParamKind::Y ? "Y-parameters do not exist (ports short-circuited)"
                                                     : "Z-parameters do not exist (ports open-circuited)");
    Eigen::MatrixXcd m = lu.solve(b);
    for (Eigen::Index r = 0; r < n; ++r)
        for (Eigen::Index c = 0; c < n; ++c) {
            const double zr = z_ref[static_cast<std::size_t>(r)], zc = z_ref[static_cast<std::size_t>(c)];
            m(r, c) *= kind == ParamKind::Y ? 1.0 / std::sqrt(zr * zc) : std::sqrt(zr * zc);
        }
    return m;
}

NetworkData renormalise(const NetworkData& d, double z) {
    NetworkData out = d;
    const auto n = static_cast<Eigen::Index>(d.ports());
    Eigen::VectorXcd g(n), k(n);
    for (Eigen::Index p = 0; p < n; ++p) {
        const double r = d.z_ref[static_cast<std::size_t>(p)];
        g(p) = (z - r) / (z + r);
        k(p) = (r + z) / (2.0 * std::sqrt(r * z));
    }
    const Eigen::MatrixXcd id = Eigen::MatrixXcd::Identity(n, n);
    for (std::size_t f = 0; f < d.s.size(); ++f) {
        const Eigen::MatrixXcd& s = d.s[f];
        // (S - G)(I - G S)^-1 = ((I - G S)^T \ (S - G)^T)^T
        Eigen::PartialPivLU<Eigen::MatrixXcd> lu((id - g.asDiagonal() * s).transpose());
        if (!(lu.rcond() > kSingular))
            throw std::domain_error(fmt::format("cannot refer the ports to {:g} ohm at {}", z, freq_text(d.freqs_hz[f])));
        const Eigen::MatrixXcd m = lu.solve((s - Eigen::MatrixXcd(g.asDiagonal())).transpose()).transpose();
        out.s[f] = k.asDiagonal() * m * k.cwiseInverse().asDiagonal();
    }
    out.z_ref.assign(d.ports(), z);
    return out;
}

Circuit::Circuit(const Netlist& nl, std::vector<UserInstDef*> insts) : insts_(std::move(insts)) {
    std::map<std::string, int> index;
    auto node = [&](const std::string& name) {
        if (name == kGround) return -1;
        auto [it, fresh] = index.emplace(name, static_cast<int>(node_names_.size()));
        if (fresh) node_names_.push_back(name);
        return it->second;
    };
    for (const Item& it : nl.items) {
        std::vector<int> nodes;
        for (const std::string& n : it.nodes) nodes.push_back(node(n));
        inst_nodes_.push_back(std::move(nodes));
    }
    for (const Port& p : nl.ports) {
        port_node_.push_back(node(p.node));
        z_ref_.push_back(p.z);
    }
    const auto n = static_cast<Eigen::Index>(node_names_.size());
    const auto np = static_cast<Eigen::Index>(z_ref_.size());
    g_.resize(n, n);
    // Port k is driven by a source of open-circuit voltage 2 sqrt(R_k) (unit
    // incident wave) behind R_k, i.e. a current 2/sqrt(R_k) into its node.
    rhs_ = Eigen::MatrixXcd::Zero(n, np);
    for (Eigen::Index k = 0; k < np; ++k) {
        const auto kk = static_cast<std::size_t>(k);
        rhs_(port_node_[kk], k) = 2.0 / std::sqrt(z_ref_[kk]);
    }
}

bool Circuit::solve(const host::Point& pt, Eigen::MatrixXcd& s, std::string& why) {
    g_.setZero();
    for (std::size_t j = 0; j < insts_.size(); ++j) {
        const std::vector<int>& nodes = inst_nodes_[j];
        const std::size_t n = nodes.size();
        if (n == 0) continue;
        const host::Matrix& y = pt.y[j];
        for (std::size_t a = 0; a < n; ++a) {
            if (nodes[a] < 0) continue;
            for (std::size_t b = 0; b < n; ++b) {
                const COMPLEX v = y[a * n + b];
                if (!std::isfinite(v.real) || !std::isfinite(v.imag)) {
                    why = fmt::format("the Y matrix of {}:{} is not finite at {}", insts_[j]->def->name,
                                      insts_[j]->name, freq_text(pt.freq_hz));
                    return false;
                }
                if (nodes[b] >= 0) g_(nodes[a], nodes[b]) += std::complex<double>(v.real, v.imag);
            }
        }
    }
    // The ports' reference resistances terminate the circuit.
    for (std::size_t k = 0; k < z_ref_.size(); ++k) g_(port_node_[k], port_node_[k]) += 1.0 / z_ref_[k];
    Eigen::PartialPivLU<Eigen::MatrixXcd> lu(g_);
    // A zero pivot (exact cancellation) or a vanishing condition number
    // both mean a node or a part of the circuit floats.
    const double pivot = lu.matrixLU().diagonal().cwiseAbs().minCoeff();
    const double scale = g_.cwiseAbs().maxCoeff();
    bool singular = !(pivot > kSingular * scale) || !(lu.rcond() > kSingular);
    if (!singular) {
        x_ = lu.solve(rhs_);
        singular = !x_.allFinite();
    }
    if (singular) {
        why = fmt::format("the circuit matrix is singular at {}: a node or a part of the circuit has no path to "
                          "ground or to a port",
                          freq_text(pt.freq_hz));
        return false;
    }
    const auto np = static_cast<Eigen::Index>(z_ref_.size());
    s.resize(np, np);
    for (Eigen::Index r = 0; r < np; ++r) {
        const auto rr = static_cast<std::size_t>(r);
        const double inv_root = 1.0 / std::sqrt(z_ref_[rr]);
        // b_r = V_r / sqrt(R_r) - a_r, with a unit wave incident at port c.
        for (Eigen::Index c = 0; c < np; ++c) s(r, c) = x_(port_node_[rr], c) * inv_root - (r == c ? 1.0 : 0.0);
    }
    return true;
}

RunResult run_sweep(Circuit& c, const Netlist& nl, host::Host& host, const RunOptions& opt) {
    RunResult res;
    NetworkData& d = res.data;
    d.z_ref = c.z_ref();
    d.freqs_hz.reserve(nl.sweep.freqs_hz.size());
    d.s.reserve(nl.sweep.freqs_hz.size());
    bool solve_failed = false;
    const std::size_t count = nl.sweep.freqs_hz.size();
    auto sink = [&](std::size_t k, const host::Point& pt) {
        if (opt.stop && *opt.stop) return false;
        Eigen::MatrixXcd s;
        if (!c.solve(pt, s, res.why)) {
            solve_failed = true;
            return false;
        }
        d.freqs_hz.push_back(pt.freq_hz);
        d.s.push_back(std::move(s));
        if (opt.progress) opt.progress(k, count);
        return !(opt.stop && *opt.stop);
    };
    const host::AnalysisResult ar = host.analyse(c.instances(), nl.sweep.freqs_hz, {}, sink);
    if (opt.stop && *opt.stop) {
        res.status = RunResult::Status::Interrupted;
        res.why = "interrupted";
    } else if (solve_failed) {
        res.status = RunResult::Status::SolveFailed;
    } else if (!ar.ok) {
        res.status = RunResult::Status::ElementFailed;
        res.why = ar.error;
    }
    return res;
}

}  // namespace mirtex::sim
