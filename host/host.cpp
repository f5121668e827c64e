#include "host.h"

#include <dlfcn.h>

#include <cstdio>
#include <cstring>
#include <set>

namespace mirtex::host {

Host& Host::get() {
    // Constructed on first use: model libraries announce their devices from
    // their static initialisers, possibly before anything else here runs.
    static Host* h = new Host();
    return *h;
}

// ---------------------------------------------------------------- devices

void Host::announce(const char* name, int (*boot)(void), int flag) {
    devices_.push_back(Device{name ? name : "", boot, flag});
}

std::vector<std::string> Host::announced() const {
    std::vector<std::string> v;
    for (const Device& d : devices_) v.push_back(d.name);
    return v;
}

bool Host::boot(const std::string& device) {
    for (Device& d : devices_) {
        if (d.name != device) continue;
        if (!d.booted) {
            d.booted = true;
            d.result = d.boot ? d.boot() : 1;
            if (d.result != 0) {
                std::string t = "host: boot of device " + d.name + " failed (" + std::to_string(d.result) + ")";
                message(Severity::Error, t.c_str());
            }
        }
        return d.result == 0;
    }
    return false;
}

bool Host::boot_all() {
    bool ok = true;
    // Index loop: a boot callback may announce further devices.
    for (std::size_t i = 0; i < devices_.size(); ++i) ok = boot(devices_[i].name) && ok;
    return ok;
}

// ------------------------------------------------------------ definitions

int Host::register_definitions(UserElemDef* defs, int count, const char* caller) {
    if (defs == nullptr || count < 0) {
        std::string t = std::string("host: ") + caller + ": no definition table";
        message(Severity::Error, t.c_str());
        return 0;
    }
    int ok = 1;
    for (int i = 0; i < count; ++i) {
        const UserElemDef& d = defs[i];
        std::string why;
        if (d.name == nullptr || d.name[0] == '\0')
            why = "definition without a name";
        else if (d.numExtNodes < 0)
            why = std::string(d.name) + " has a negative node count";
        else if (d.numPars < 0)
            why = std::string(d.name) + " has a negative parameter count";
        else if (d.numPars > 0 && d.params == nullptr)
            why = std::string(d.name) + " has no parameter list";
        else
            for (int p = 0; p < d.numPars && why.empty(); ++p) {
                if (d.params[p].keyword == nullptr || d.params[p].keyword[0] == '\0')
                    why = std::string(d.name) + ": parameter " + std::to_string(p + 1) + " has no keyword";
                else if (d.params[p].type < MIRTEX_REAL || d.params[p].type > MIRTEX_STRG)
                    why = std::string(d.name) + ": parameter " + d.params[p].keyword + " has unknown type " +
                          std::to_string(d.params[p].type);
            }
        if (!why.empty()) {
            std::string t = std::string("host: ") + caller + ": rejected: " + why;
            message(Severity::Error, t.c_str());
            ok = 0;
            continue;
        }
        auto [it, fresh] = defs_.insert_or_assign(d.name, &d);
        if (fresh) {
            order_.push_back(&d);
        } else {
            // A second registration under the same name replaces the first
            // in place, so the catalogue keeps its order.
            for (auto& o : order_)
                if (std::strcmp(o->name, d.name) == 0) o = &d;
        }
        (void)it;
    }
    return ok;
}

const UserElemDef* Host::definition(const std::string& name) {
    auto it = defs_.find(name);
    if (it != defs_.end()) return it->second;
    if (boot(name)) {
        it = defs_.find(name);
        if (it != defs_.end()) return it->second;
    }
    return nullptr;
}

// -------------------------------------------------------------- instances

namespace {

const char* type_name(int t) {
    switch (t) {
        case MIRTEX_REAL: return "REAL";
        case MIRTEX_INT: return "INT";
        case MIRTEX_MTRL: return "MTRL";
        default: return "STRG";
    }
}

}  // namespace

UserInstDef* Host::create(const std::string& def_name, const std::string& inst_name, const Params& params) {
    const UserElemDef* def = definition(def_name);
    if (def == nullptr) throw Error("unknown element or data item type '" + def_name + "'");
    if (inst_name.empty()) throw Error(def_name + ": instance without a name");
    if (by_name_.count(inst_name)) throw Error(def_name + ":" + inst_name + ": an instance of that name exists already");

    auto inst = std::make_unique<Instance>();
    inst->name = inst_name;
    inst->values.assign(static_cast<std::size_t>(def->numPars), UserParamValue{});
    inst->texts.assign(static_cast<std::size_t>(def->numPars), std::string());
    std::vector<bool> given(static_cast<std::size_t>(def->numPars), false);
    const std::string who = def_name + ":" + inst_name;

    for (const auto& [key, v] : params) {
        int idx = -1;
        for (int p = 0; p < def->numPars; ++p)
            if (key == def->params[p].keyword) idx = p;
        if (idx < 0) throw Error(who + ": unknown parameter '" + key + "'");
        const auto i = static_cast<std::size_t>(idx);
        if (given[i]) throw Error(who + ": parameter " + key + " given twice");
        given[i] = true;
        const int t = def->params[idx].type;
        UserParamValue& slot = inst->values[i];
        slot.host_word = t;
        bool fits = false;
        switch (t) {
            case MIRTEX_REAL:
                if (v.kind == Value::Kind::Real) slot.value.r = v.real, fits = true;
                if (v.kind == Value::Kind::Int) slot.value.r = v.integer, fits = true;
                break;
            case MIRTEX_INT:
                if (v.kind == Value::Kind::Int) slot.value.i = v.integer, fits = true;
                break;
            case MIRTEX_MTRL:
                fits = v.kind == Value::Kind::Mtrl && !v.text.empty();
                inst->texts[i] = v.text;
                break;
            case MIRTEX_STRG:
                fits = v.kind == Value::Kind::Strg;
                inst->texts[i] = v.text;
                break;
        }
        if (!fits) throw Error(who + ": parameter " + key + " needs a value of type " + type_name(t));
    }
    for (int p = 0; p < def->numPars; ++p)
        if (!given[static_cast<std::size_t>(p)])
            throw Error(who + ": missing parameter " + def->params[p].keyword);

    // Text pointers are taken only now that the strings no longer move.
    for (int p = 0; p < def->numPars; ++p) {
        const int t = def->params[p].type;
        if (t == MIRTEX_MTRL || t == MIRTEX_STRG)
            inst->values[static_cast<std::size_t>(p)].value.s = inst->texts[static_cast<std::size_t>(p)].c_str();
    }
    inst->rec.name = inst->name.c_str();
    inst->rec.def = def;
    inst->rec.params = inst->values.data();
    UserInstDef* rec = &inst->rec;
    by_name_[inst_name] = inst.get();
    instances_.push_back(std::move(inst));
    return rec;
}

UserInstDef* Host::find(const char* name) const {
    if (name == nullptr) return nullptr;
    auto it = by_name_.find(name);
    return it == by_name_.end() ? nullptr : &it->second->rec;
}

void Host::clear_instances() {
    by_name_.clear();
    instances_.clear();
    linear_.clear();
}

void Host::reset_design() {
    clear_instances();
    log_.clear();
    echo_ = false;
    sink_ = nullptr;
    first_frequency_ = false;
}

// ---------------------------------------------------------------- windows

void Host::message(Severity s, const char* text) {
    log_.push_back(LogLine{s, text ? text : ""});
    if (echo_) std::fprintf(stderr, "%s%s\n", s == Severity::Error ? "error: " : "", log_.back().text.c_str());
    if (sink_) sink_(log_.back());
}

std::size_t Host::count(Severity s, const std::string& text) const {
    std::size_t n = 0;
    for (const LogLine& l : log_) n += (l.severity == s && l.text == text);
    return n;
}

bool Host::contains(Severity s, const std::string& part) const {
    for (const LogLine& l : log_)
        if (l.severity == s && l.text.find(part) != std::string::npos) return true;
    return false;
}

// --------------------------------------------------------------- analysis

AnalysisResult Host::analyse(const std::vector<UserInstDef*>& insts, const std::vector<double>& freqs_hz,
                             const AnalysisOptions& opt, const PointSink& sink) {
    AnalysisResult res;
    auto fail = [&](const std::string& why) {
        res.ok = false;
        res.error = why;
        message(Severity::Error, ("host: analysis stopped: " + why).c_str());
    };
    auto label = [](const UserInstDef* i) { return std::string(i->def->name) + ":" + i->name; };

    for (UserInstDef* i : insts)
        if (i->def->pre && !i->def->pre(i)) {
            fail("pre-analysis step of " + label(i) + " failed");
            break;
        }

    Point pt;
    pt.y.resize(insts.size());
    if (opt.noise) pt.noise.resize(insts.size());
    for (std::size_t k = 0; res.ok && k < freqs_hz.size(); ++k) {
        first_frequency_ = (k == 0);
        pt.freq_hz = freqs_hz[k];
        const double omega = 6.283185307179586 * freqs_hz[k];
        for (std::size_t j = 0; res.ok && j < insts.size(); ++j) {
            UserInstDef* i = insts[j];
            const auto n = static_cast<std::size_t>(i->def->numExtNodes);
            pt.y[j].assign(n * n, COMPLEX{0.0, 0.0});
            if (i->def->y == nullptr) continue;
            if (!i->def->y(i, omega, pt.y[j].data())) {
                char f[32];
                std::snprintf(f, sizeof f, "%.6g", freqs_hz[k]);
                fail("Y callback of " + label(i) + " failed at " + f + " Hz");
                break;
            }
            if (opt.noise && i->def->noise) {
                pt.noise[j].assign(n * n, COMPLEX{0.0, 0.0});
                if (!i->def->noise(i, omega, pt.y[j].data(), pt.noise[j].data())) {
                    fail("noise callback of " + label(i) + " failed");
                    break;
                }
            }
        }
        if (!res.ok) break;
        if (sink) {
            // The receiver stopped the sweep and says why itself; nothing
            // failed in the library, so the error window stays quiet.
            if (!sink(k, pt)) {
                res.ok = false;
                res.error = "stopped by the receiver of the results";
            }
        } else {
            res.points.push_back(pt);
        }
    }
    first_frequency_ = false;

    // The analysis ends for every instance, also after a failure, so that
    // per-analysis state in the library is reset.
    for (UserInstDef* i : insts)
        if (i->def->post) i->def->post(i);
    return res;
}

int Host::add_lin_y(UserInstDef* inst, int row, int col, COMPLEX y) {
    if (inst == nullptr || inst->def == nullptr) return 0;
    const int n = inst->def->numExtNodes;
    if (row < 0 || col < 0 || row >= n || col >= n) return 0;
    Matrix& m = linear_[inst];
    if (m.empty()) m.assign(static_cast<std::size_t>(n) * n, COMPLEX{0.0, 0.0});
    COMPLEX& e = m[static_cast<std::size_t>(row) * n + col];
    e.real += y.real;
    e.imag += y.imag;
    return 1;
}

Matrix Host::linear_matrix(const UserInstDef* inst) const {
    auto it = linear_.find(inst);
    return it == linear_.end() ? Matrix{} : it->second;
}

// ------------------------------------------------------------------ misc

void* load_library(const std::string& path, std::string& err) {
    void* h = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (h == nullptr) {
        const char* e = dlerror();
        err = std::string("cannot load model library: ") + (e ? e : path);
    }
    return h;
}

bool passive_noise_matrix(const COMPLEX* y, int n, COMPLEX* noise, double temp_c) {
    const double t = temp_c + 273.15;
    if (!(t >= 0.0)) return false;
    const double k2t = 2.0 * kBoltzmann * t;
    for (int r = 0; r < n; ++r)
        for (int c = 0; c < n; ++c) {
            const COMPLEX a = y[r * n + c], b = y[c * n + r];
            // (Y + Y^H)_rc = Y_rc + conj(Y_cr)
            noise[r * n + c] = COMPLEX{k2t * (a.real + b.real), k2t * (a.imag - b.imag)};
        }
    return true;
}

}  // namespace mirtex::host

// ------------------------------------------------- the C interface itself

using mirtex::host::Host;
using mirtex::host::Severity;

DeviceInstaller::DeviceInstaller(const char* name, int (*boot)(void), int flag) : host_cookie_(nullptr) {
    Host::get().announce(name, boot, flag);
}

extern "C" {

int load_elements(UserElemDef* defs, int count) { return Host::get().register_definitions(defs, count, "load_elements"); }

int load_elements2(UserElemDef* defs, int count) {
    return Host::get().register_definitions(defs, count, "load_elements2");
}

UserInstDef* get_user_inst(const char* name) { return Host::get().find(name); }

void send_error_to_scn(const char* text) { Host::get().message(Severity::Error, text); }

void send_info_to_scn(const char* text) { Host::get().message(Severity::Info, text); }

int passive_noise(COMPLEX* y, int nodes, COMPLEX* noise, double temp) {
    if (y == nullptr || noise == nullptr || nodes < 0) return 0;
    if (!mirtex::host::passive_noise_matrix(y, nodes, noise, temp)) {
        Host::get().message(Severity::Error, "host: passive_noise: temperature below absolute zero");
        return 0;
    }
    return 1;
}

int add_lin_y(UserInstDef* inst, int row, int col, COMPLEX y) { return Host::get().add_lin_y(inst, row, col, y); }

int first_frequency(void) { return Host::get().first_frequency() ? 1 : 0; }

}  // extern "C"
