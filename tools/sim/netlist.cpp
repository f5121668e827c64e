#include "sim/netlist.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <utility>

#include <fmt/format.h>

#include "sim/units.h"

namespace mirtex::sim {

NetlistError::NetlistError(const std::string& file, int line, const std::string& message)
    : std::runtime_error(fmt::format("{}:{}: {}", file, line, message)),
      file_(file),
      line_(line),
      message_(message),
      all_{what()} {}

NetlistError::NetlistError(std::vector<NetlistError> errors, std::shared_ptr<const Netlist> partial)
    : NetlistError(errors.front()) {
    all_.clear();
    for (const NetlistError& e : errors) all_.insert(all_.end(), e.all_.begin(), e.all_.end());
    partial_ = std::move(partial);
}

namespace {

// ------------------------------------------------------------------ lexing

enum class Tok { Word, Equals, Text };

struct Token {
    Tok kind;
    std::string text;
    int line;
};

struct Statement {
    int line;
    std::vector<Token> toks;
    bool broken = false;  // a line of it could not be read; its error is already counted
};

bool blank(char c) { return c == ' ' || c == '\t'; }

bool word_char(char c) {
    return !blank(c) && c != '=' && c != '"' && c != ';' && c != '\\' && static_cast<unsigned char>(c) >= 0x20 &&
           c != 0x7f;
}

bool iequal(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

// Names of instances: a letter or '_' first, then letters, digits, '_', '.', '-'.
bool valid_name(std::string_view s) {
    if (s.empty() || !(std::isalpha(static_cast<unsigned char>(s[0])) || s[0] == '_')) return false;
    return std::all_of(s.begin(), s.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '.' || c == '-';
    });
}

class Parser {
public:
    Parser(std::string_view text, const std::string& file, host::Host& host) : text_(text), file_(file), host_(host) {}

    Netlist run() {
        Netlist nl;
        nl.file = file_;
        statements(split(text_), nl);
        check_references(nl);
        check_unread(nl);
        // A port or sweep left out for its error draws no error of its own.
        if (!refused_.count("Term")) collect([&] { finish_ports(nl); });
        if (!have_sweep_ && !refused_.count("S_Param")) collect([&] { fail(last_line_, "no S_Param statement: the frequency sweep is missing"); });
        // A statement left out for its error would leave its nodes open.
        if (errors_.empty()) lone_port_nodes(nl);
        nl.warnings = warnings_;
        if (!errors_.empty())
            throw NetlistError(std::move(errors_),
                               items_sound_ ? std::make_shared<const Netlist>(std::move(nl)) : nullptr);
        return nl;
    }

private:
    [[noreturn]] void fail(int line, const std::string& msg) const { throw NetlistError(file_, line, msg); }

    // Every error is counted and the reading goes on, so that one pass
    // shows them all.
    template <class Step>
    void collect(Step&& step) {
        try {
            step();
        } catch (const NetlistError& e) {
            errors_.push_back(e);
        }
    }

    void statements(const std::vector<Statement>& sts, Netlist& nl) {
        for (const Statement& st : sts) {
            const std::size_t before = errors_.size();
            if (!st.broken) collect([&] { statement(st, nl); });
            if (errors_.size() == before && !st.broken) continue;
            items_sound_ = items_sound_ && !data_statement(st);
            if (!st.toks.empty()) refused_.insert(st.toks[0].text.substr(0, st.toks[0].text.find(':')));
        }
    }

    // A statement that is, or may have been meant as, a data item (an
    // INCLUDE holds nothing else).
    bool data_statement(const Statement& st) const {
        if (st.toks.empty() || st.toks[0].kind != Tok::Word || iequal(st.toks[0].text, "INCLUDE")) return true;
        const std::string type = st.toks[0].text.substr(0, st.toks[0].text.find(':'));
        if (type == "Term" || type == "S_Param") return false;
        const UserElemDef* def = host_.definition(type);
        return def == nullptr || def->numExtNodes == 0;
    }

    // Physical lines into statements.  A line ending in '\' continues on the
    // next line, a line starting with '+' continues the one before; blank
    // and comment lines in between do not end a statement.
    std::vector<Statement> split(std::string_view text) {
        std::vector<Statement> out;
        bool pending = false;
        int lineno = 0;
        std::size_t pos = 0;
        while (pos < text.size()) {
            const std::size_t eol = text.find('\n', pos);
            std::string_view raw = text.substr(pos, eol == std::string_view::npos ? std::string_view::npos : eol - pos);
            pos = eol == std::string_view::npos ? text.size() : eol + 1;
            ++lineno;
            if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);

            std::size_t i = 0;
            while (i < raw.size() && blank(raw[i])) ++i;
            if (i == raw.size() || raw[i] == '*' || raw[i] == '#') continue;
            bool plus = false;
            if (raw[i] == '+') plus = true, ++i;

            std::vector<Token> toks;
            bool backslash = false;
            bool broken = false;
            try {
            while (i < raw.size()) {
                const char c = raw[i];
                if (blank(c)) {
                    ++i;
                } else if (c == ';') {
                    break;
                } else if (c == '"') {
                    const std::size_t close = raw.find('"', i + 1);
                    if (close == std::string_view::npos) fail(lineno, "unterminated text: missing closing '\"'");
                    toks.push_back({Tok::Text, std::string(raw.substr(i + 1, close - i - 1)), lineno});
                    i = close + 1;
                } else if (c == '=') {
                    toks.push_back({Tok::Equals, "=", lineno});
                    ++i;
                } else if (c == '\\') {
                    std::size_t j = i + 1;
                    while (j < raw.size() && blank(raw[j])) ++j;
                    if (j < raw.size() && raw[j] != ';') fail(lineno, "'\\' continues a line only at its end");
                    backslash = true;
                    break;
                } else if (!word_char(c)) {
                    fail(lineno, fmt::format("unexpected control character (code {})", static_cast<int>(c) & 0xff));
                } else {
                    const std::size_t start = i;
                    while (i < raw.size() && word_char(raw[i])) ++i;
                    toks.push_back({Tok::Word, std::string(raw.substr(start, i - start)), lineno});
                }
            }
            } catch (const NetlistError& e) {
                // The rest of the line is unread: its statement is left out.
                errors_.push_back(e);
                broken = true;
            }
            // A line holding only a comment changes nothing.
            if (toks.empty() && !backslash && !broken) continue;
            last_line_ = lineno;
            if (plus || pending) {
                if (out.empty()) {
                    collect([&] { fail(lineno, "continuation line without a statement before it"); });
                } else {
                    auto& dst = out.back().toks;
                    dst.insert(dst.end(), toks.begin(), toks.end());
                    out.back().broken = out.back().broken || broken;
                }
            } else if (!toks.empty() || broken) {
                out.push_back({lineno, std::move(toks), broken});
            }
            pending = backslash;
        }
        last_line_ = std::max(last_line_, std::max(lineno, 1));
        return out;
    }

    // ------------------------------------------------------ statement syntax

    struct RawParam {
        Token key;
        Token value;
        std::optional<Token> unit;
    };
    struct Raw {
        std::string type, name, who;
        int line;
        std::vector<Token> nodes;
        std::vector<RawParam> params;
    };

    Raw syntax(const Statement& st) const {
        Raw r;
        r.line = st.line;
        const auto& t = st.toks;
        if (t[0].kind != Tok::Word || t[0].text.find(':') == std::string::npos)
            fail(st.line, fmt::format("a statement begins with <Type>:<Name>, not '{}'", t[0].text));
        const std::size_t colon = t[0].text.find(':');
        r.type = t[0].text.substr(0, colon);
        r.name = t[0].text.substr(colon + 1);
        if (r.type.empty()) fail(st.line, fmt::format("'{}': the type before ':' is missing", t[0].text));
        if (!valid_name(r.name))
            fail(st.line, fmt::format("'{}': bad instance name '{}' (a letter or '_' first, then letters, digits, "
                                      "'_', '.' or '-')",
                                      t[0].text, r.name));
        r.who = t[0].text;

        std::size_t i = 1;
        while (i < t.size()) {
            const Token& tok = t[i];
            const bool keyed = tok.kind == Tok::Word && i + 1 < t.size() && t[i + 1].kind == Tok::Equals;
            if (keyed) {
                i += 2;
                if (i >= t.size() || t[i].kind == Tok::Equals)
                    fail(tok.line, fmt::format("{}: missing value after '{}='", r.who, tok.text));
                RawParam p{tok, t[i++], std::nullopt};
                // "40 GHz": a unit after one blank belongs to the bare number before it.
                if (i < t.size() && t[i].kind == Tok::Word && !(i + 1 < t.size() && t[i + 1].kind == Tok::Equals) &&
                    p.value.kind == Tok::Word && is_bare_number(p.value.text) && suffix_factor(t[i].text))
                    p.unit = t[i++];
                r.params.push_back(std::move(p));
            } else if (tok.kind == Tok::Word && r.params.empty()) {
                if (tok.text.find(':') != std::string::npos)
                    fail(tok.line, fmt::format("{}: bad node name '{}'", r.who, tok.text));
                r.nodes.push_back(tok);
                ++i;
            } else if (tok.kind == Tok::Equals) {
                fail(tok.line, fmt::format("{}: '=' without a keyword before it", r.who));
            } else {
                const std::string shown = tok.kind == Tok::Text ? "\"" + tok.text + "\"" : tok.text;
                if (r.params.empty()) fail(tok.line, fmt::format("{}: unexpected {}", r.who, shown));
                const RawParam& last = r.params.back();
                fail(tok.line, fmt::format("{}: unexpected '{}' after {}={}", r.who, shown, last.key.text,
                                           last.value.kind == Tok::Text ? "\"" + last.value.text + "\"" : last.value.text));
            }
        }
        return r;
    }

    // ---------------------------------------------------------- statements

    void statement(const Statement& st, Netlist& nl) {
        if (st.toks[0].kind == Tok::Word && iequal(st.toks[0].text, "INCLUDE")) return include(st, nl);
        Raw r = syntax(st);
        if (auto it = names_.find(r.name); it != names_.end())
            fail(r.line, fmt::format("{}: duplicate name '{}' (first used {})", r.who, r.name,
                                     it->second.file == file_ ? fmt::format("on line {}", it->second.line)
                                                              : fmt::format("at {}:{}", it->second.file, it->second.line)));
        const UserElemDef* def = r.type == "Term" || r.type == "S_Param" ? nullptr : host_.definition(r.type);
        if (!including_.empty() && (def == nullptr || def->numExtNodes > 0))
            fail(r.line, fmt::format("{}: an included file holds data items only", r.who));
        if (r.type == "Term") {
            names_[r.name] = {file_, r.line, false};
            term(r, nl);
        } else if (r.type == "S_Param") {
            names_[r.name] = {file_, r.line, false};
            sweep(r, nl);
        } else {
            if (def == nullptr) fail(r.line, fmt::format("unknown type '{}'{}", r.type, suggest_type(r.type)));
            names_[r.name] = {file_, r.line, def->numExtNodes == 0};
            item(r, def, nl);
        }
    }

    // INCLUDE "file": the data items of another file, its name relative to
    // the including file's directory.  Its statements report errors at their
    // own file and line.
    void include(const Statement& st, Netlist& nl) {
        if (st.toks.size() != 2 || st.toks[1].kind != Tok::Text || st.toks[1].text.empty())
            fail(st.line, "INCLUDE takes one file name in double quotes");
        const std::filesystem::path name(st.toks[1].text);
        const std::filesystem::path path =
            name.is_absolute() ? name : std::filesystem::path(file_).parent_path() / name;
        // Only a plain file: a device such as /dev/zero would never end.
        std::error_code ec;
        std::ifstream in;
        if (std::filesystem::is_regular_file(path, ec)) in.open(path, std::ios::binary);
        if (!in.is_open()) fail(st.line, fmt::format("cannot open the included file {}", path.string()));
        if (including_.size() >= kMaxIncludeDepth)
            fail(st.line, fmt::format("INCLUDE nested more than {} deep", kMaxIncludeDepth));
        const std::filesystem::path canonical = std::filesystem::canonical(path, ec);
        if (std::find(including_.begin(), including_.end(), canonical) != including_.end() ||
            canonical == std::filesystem::canonical(nl.file, ec))
            fail(st.line, fmt::format("{} includes itself (an INCLUDE cycle)", path.string()));
        std::ostringstream text;
        text << in.rdbuf();
        if (in.bad()) fail(st.line, fmt::format("cannot read the included file {}", path.string()));

        const std::string outer = std::exchange(file_, path.string());
        const int outer_last = last_line_;
        including_.push_back(canonical);
        statements(split(text.str()), nl);
        including_.pop_back();
        file_ = outer;
        last_line_ = outer_last;
    }

    std::string suggest_type(const std::string& type) const {
        for (const UserElemDef* d : host_.definitions())
            if (iequal(d->name, type)) return fmt::format(" (did you mean '{}'?)", d->name);
        for (const char* h : {"Term", "S_Param"})
            if (iequal(h, type)) return fmt::format(" (did you mean '{}'?)", h);
        return {};
    }

    void node_count(const Raw& r, std::size_t want) const {
        if (r.nodes.size() == want) return;
        const int line = r.nodes.size() > want ? r.nodes[want].line : r.line;
        fail(line, fmt::format("{}: {} node{} expected, {} given", r.who, want, want == 1 ? "" : "s", r.nodes.size()));
    }

    static std::string node_name(const Token& t) { return iequal(t.text, "gnd") ? std::string(kGround) : t.text; }

    static std::string value_text(const RawParam& p) {
        return p.unit ? p.value.text + p.unit->text : p.value.text;
    }

    double real_value(const Raw& r, const RawParam& p) const {
        if (p.value.kind == Tok::Text)
            fail(p.value.line, fmt::format("{}: {} needs a number, not the text \"{}\"", r.who, p.key.text, p.value.text));
        std::string why;
        const auto v = parse_quantity(value_text(p), why);
        if (!v) fail(p.value.line, fmt::format("{}: {}: {}", r.who, p.key.text, why));
        return *v;
    }

    int whole_value(const Raw& r, const RawParam& p) const {
        if (p.value.kind == Tok::Text)
            fail(p.value.line,
                 fmt::format("{}: {} needs a whole number, not the text \"{}\"", r.who, p.key.text, p.value.text));
        if (p.unit) fail(p.unit->line, fmt::format("{}: {} is a whole number and takes no unit", r.who, p.key.text));
        std::string why;
        const auto v = parse_whole(p.value.text, why);
        if (!v) fail(p.value.line, fmt::format("{}: {}: {}", r.who, p.key.text, why));
        return *v;
    }

    void warn(int line, const std::string& msg) { warnings_.push_back(fmt::format("{}:{}: warning: {}", file_, line, msg)); }

    // A length given as a bare number is in metres; over a metre it is a
    // forgotten unit far more often than a design.  Negative whole numbers
    // are the codes of automatic sizes (L1=-2: half the automatic box).
    void implausible_length(const Raw& r, const RawParam& p, double v) {
        if (p.unit || !is_bare_number(p.value.text) || !(std::fabs(v) > 1.0) || (v < 0 && v == std::floor(v))) return;
        if (!is_length_keyword(p.key.text)) return;
        warn(p.value.line, fmt::format("{}: {}={} is {} m, a length over 1 m; did you mean {}um?", r.who, p.key.text,
                                       p.value.text, p.value.text, p.value.text));
    }

    void no_unit(const Raw& r, const RawParam& p) const {
        if (p.unit)
            fail(p.unit->line, fmt::format("{}: unexpected '{}' after {}={}", r.who, p.unit->text, p.key.text,
                                           p.value.text));
    }

    // An element or data item of the library.
    void item(const Raw& r, const UserElemDef* def, Netlist& nl) {
        node_count(r, static_cast<std::size_t>(def->numExtNodes));
        Item it;
        it.def = def;
        it.name = r.name;
        it.line = r.line;
        it.file = file_;
        for (const Token& n : r.nodes) it.nodes.push_back(node_name(n));

        const auto np = static_cast<std::size_t>(def->numPars);
        std::vector<std::optional<host::Value>> values(np);
        const std::size_t errors_before = errors_.size();
        std::vector<bool> given(np);
        for (const RawParam& p : r.params) collect([&] {
            std::size_t idx = np;
            for (std::size_t k = 0; k < np; ++k)
                if (p.key.text == def->params[k].keyword) idx = k;
            if (idx == np) {
                std::string hint;
                for (std::size_t k = 0; k < np; ++k)
                    if (iequal(p.key.text, def->params[k].keyword))
                        hint = fmt::format(" (did you mean '{}'?)", def->params[k].keyword);
                fail(p.key.line, fmt::format("{}: unknown keyword '{}' for {}{}", r.who, p.key.text, def->name, hint));
            }
            if (values[idx] || given[idx]) fail(p.key.line, fmt::format("{}: parameter {} given twice", r.who, p.key.text));
            given[idx] = true;
            switch (def->params[idx].type) {
                case MIRTEX_REAL:
                    values[idx] = host::Value::Real(real_value(r, p));
                    implausible_length(r, p, values[idx]->real);
                    it.written[p.key.text] = value_text(p);
                    break;
                case MIRTEX_INT: values[idx] = host::Value::Int(whole_value(r, p)); break;
                case MIRTEX_MTRL:
                    no_unit(r, p);
                    if (!valid_name(p.value.text))
                        fail(p.value.line, fmt::format("{}: {} needs the name of a data item, not '{}'", r.who,
                                                       p.key.text, p.value.text));
                    values[idx] = host::Value::Mtrl(p.value.text);
                    refs_.push_back({r.who, p.key.text, p.value.text, file_, p.value.line});
                    break;
                default:
                    no_unit(r, p);
                    if (p.value.kind != Tok::Text)
                        fail(p.value.line, fmt::format("{}: {} needs a text in double quotes, not {}", r.who,
                                                       p.key.text, p.value.text));
                    values[idx] = host::Value::Strg(p.value.text);
                    break;
            }
        });
        // A parameter whose value was refused counts as given.
        for (const RawParam& p : r.params)
            for (std::size_t k = 0; k < np; ++k)
                if (p.key.text == def->params[k].keyword && !values[k]) values[k] = host::Value::Real(0.0);
        std::vector<Unread> unread;
        for (std::size_t k = 0; k < np; ++k) {
            const UserParamType& pt = def->params[k];
            if (!values[k] && pt.type == MIRTEX_REAL && std::string_view(pt.keyword) == "TEMP")
                values[k] = host::Value::Real(16.85);  // 290 K, the usual noise reference
            if (!values[k] && may_be_unread(def, pt)) {
                // Decided once the whole netlist shows who reads the item.
                unread.push_back({nl.items.size(), pt.keyword});
                values[k] = pt.type == MIRTEX_INT ? host::Value::Int(0) : host::Value::Real(0.0);
            }
            if (!values[k])
                errors_.emplace_back(file_, r.line, fmt::format("{}: missing parameter {}", r.who, pt.keyword));
            else
                it.params.emplace_back(pt.keyword, *values[k]);
        }
        // An item with an error is left out; its name stays known, so
        // that references to it draw no error of their own.
        if (errors_.size() > errors_before) return;
        unread_.insert(unread_.end(), unread.begin(), unread.end());
        nl.items.push_back(std::move(it));
    }

    // Keyword lookup for the host's own statements.
    static const RawParam* take(const std::map<std::string, const RawParam*>& seen, const char* key) {
        auto it = seen.find(key);
        return it == seen.end() ? nullptr : it->second;
    }

    std::map<std::string, const RawParam*> keyed(const Raw& r, std::initializer_list<const char*> allowed) const {
        std::map<std::string, const RawParam*> seen;
        std::string list;
        for (const char* a : allowed) list += (list.empty() ? "" : ", ") + std::string(a);
        for (const RawParam& p : r.params) {
            const bool known = std::any_of(allowed.begin(), allowed.end(), [&](const char* a) { return p.key.text == a; });
            if (!known) {
                std::string hint;
                for (const char* a : allowed)
                    if (iequal(a, p.key.text)) hint = fmt::format(" (did you mean '{}'?)", a);
                fail(p.key.line, fmt::format("{}: unknown keyword '{}' for {} ({}){}", r.who, p.key.text, r.type, list, hint));
            }
            if (!seen.emplace(p.key.text, &p).second)
                fail(p.key.line, fmt::format("{}: parameter {} given twice", r.who, p.key.text));
        }
        return seen;
    }

    void term(const Raw& r, Netlist& nl) {
        node_count(r, 2);
        auto kv = keyed(r, {"Num", "Z"});
        Port port;
        port.name = r.name;
        port.line = r.line;
        port.node = node_name(r.nodes[0]);
        // Ports are referred to ground: the nodal analysis needs the
        // circuit tied to ground, which a floating port would not give.
        if (node_name(r.nodes[1]) != kGround)
            fail(r.nodes[1].line, fmt::format("{}: a port's second node must be ground (0), not '{}'", r.who,
                                              r.nodes[1].text));
        if (port.node == kGround) fail(r.nodes[0].line, fmt::format("{}: the port's node is ground", r.who));
        const RawParam* num = take(kv, "Num");
        if (num == nullptr) fail(r.line, fmt::format("{}: missing parameter Num", r.who));
        port.number = whole_value(r, *num);
        if (port.number < 1) fail(num->value.line, fmt::format("{}: Num={} must be 1 or more", r.who, port.number));
        if (const RawParam* z = take(kv, "Z")) {
            port.z = real_value(r, *z);
            if (!(port.z > 0.0))
                fail(z->value.line, fmt::format("{}: Z={} must be a positive resistance", r.who, exact_text(port.z)));
        }
        nl.ports.push_back(std::move(port));
    }

    void sweep(const Raw& r, Netlist& nl) {
        if (have_sweep_)
            fail(r.line, fmt::format("{}: a second S_Param (the first is {} on line {})", r.who, nl.sweep.name,
                                     nl.sweep.line));
        node_count(r, 0);
        auto kv = keyed(r, {"Start", "Stop", "Points", "Type", "List"});
        Sweep& sw = nl.sweep;
        sw.name = r.name;
        sw.line = r.line;
        if (const RawParam* list = take(kv, "List")) {
            if (kv.size() > 1)
                fail(r.line, fmt::format("{}: List cannot be combined with Start, Stop, Points or Type", r.who));
            sw.freqs_hz = frequency_list(r, *list);
        } else {
            for (const char* k : {"Start", "Stop", "Points"})
                if (!take(kv, k)) fail(r.line, fmt::format("{}: missing parameter {} (or give List)", r.who, k));
            const RawParam& ps = *take(kv, "Start");
            const RawParam& pe = *take(kv, "Stop");
            const RawParam& pn = *take(kv, "Points");
            const double start = real_value(r, ps), stop = real_value(r, pe);
            for (const auto& [p, v] : {std::pair{&ps, start}, std::pair{&pe, stop}})
                if (!p->unit && is_bare_number(p->value.text) && v > 0.0 && v < 1.0)
                    warn(p->value.line, fmt::format("{}: {}={} is {} Hz, below 1 Hz; did you mean {}GHz?", r.who,
                                                    p->key.text, p->value.text, p->value.text, p->value.text));
            const int n = whole_value(r, pn);
            bool log = false;
            if (const RawParam* ty = take(kv, "Type")) {
                no_unit(r, *ty);
                if (ty->value.text == "log")
                    log = true;
                else if (ty->value.text != "lin")
                    fail(ty->value.line, fmt::format("{}: Type={} (lin or log expected)", r.who, ty->value.text));
            }
            if (start < 0.0) fail(ps.value.line, fmt::format("{}: Start must not be negative", r.who));
            if (stop < start) fail(pe.value.line, fmt::format("{}: Stop is below Start", r.who));
            if (n < 1 || n > kMaxPoints)
                fail(pn.value.line, fmt::format("{}: Points={} (1 to {} expected)", r.who, n, kMaxPoints));
            if (n > 1 && stop == start)
                fail(pe.value.line, fmt::format("{}: Stop must be above Start for {} points", r.who, n));
            if (log && start <= 0.0) fail(ps.value.line, fmt::format("{}: a log sweep needs Start above 0", r.who));
            sw.log = log;
            sw.freqs_hz.resize(static_cast<std::size_t>(n));
            for (int k = 0; k < n; ++k) {
                const double t = n == 1 ? 0.0 : static_cast<double>(k) / (n - 1);
                sw.freqs_hz[static_cast<std::size_t>(k)] =
                    log ? start * std::pow(stop / start, t) : start + (stop - start) * t;
            }
            sw.freqs_hz.back() = n == 1 ? start : stop;
            for (std::size_t k = 1; k < sw.freqs_hz.size(); ++k)
                if (!(sw.freqs_hz[k] > sw.freqs_hz[k - 1]))
                    fail(r.line, fmt::format("{}: the sweep's points are too close to tell apart", r.who));
        }
        have_sweep_ = true;
    }

    // List="1GHz 2GHz 5 GHz": blanks or commas between the values.
    std::vector<double> frequency_list(const Raw& r, const RawParam& p) const {
        if (p.value.kind != Tok::Text)
            fail(p.value.line, fmt::format("{}: List needs its frequencies in double quotes", r.who));
        no_unit(r, p);
        std::vector<std::string> words;
        std::string cur;
        for (char c : p.value.text + " ") {
            if (blank(c) || c == ',') {
                if (!cur.empty()) words.push_back(std::move(cur)), cur.clear();
            } else {
                cur += c;
            }
        }
        std::vector<double> f;
        for (std::size_t k = 0; k < words.size(); ++k) {
            std::string w = words[k];
            if (is_bare_number(w) && k + 1 < words.size() && !is_bare_number(words[k + 1]) && suffix_factor(words[k + 1]))
                w += words[++k];
            std::string why;
            const auto v = parse_quantity(w, why);
            if (!v) fail(p.value.line, fmt::format("{}: List: {}", r.who, why));
            if (*v < 0.0) fail(p.value.line, fmt::format("{}: List: negative frequency {}", r.who, w));
            if (!f.empty() && !(*v > f.back()))
                fail(p.value.line, fmt::format("{}: List: the frequencies must increase ({} after {})", r.who, w,
                                               exact_text(f.back())));
            if (f.size() == static_cast<std::size_t>(kMaxPoints))
                fail(p.value.line, fmt::format("{}: List: more than {} frequencies", r.who, kMaxPoints));
            f.push_back(*v);
        }
        if (f.empty()) fail(p.value.line, fmt::format("{}: List holds no frequency", r.who));
        return f;
    }

    // ------------------------------------------------------- whole-netlist

    void check_references(const Netlist&) {
        for (const Ref& ref : refs_) {
            auto it = names_.find(ref.target);
            if (it == names_.end())
                errors_.emplace_back(ref.file, ref.line,
                                     fmt::format("{}: {} refers to '{}', which is not defined", ref.who, ref.key, ref.target));
            else if (!it->second.data_item)
                errors_.emplace_back(ref.file, ref.line, fmt::format("{}: {} refers to '{}', which is not a data item",
                                                                     ref.who, ref.key, ref.target));
        }
    }

    // Items with many parameters may leave out what no element reads: a
    // multi-line item the strips beyond its widest section's, an air-bridge
    // item of TYPE 0 (no bridge) its bridge geometry.
    static bool may_be_unread(const UserElemDef* def, const UserParamType& pt) {
        const std::string_view d = def->name, k = pt.keyword;
        return (d == "C_NL_TYP" && k != "GW" && k != "GND_MET" && k != "SG1" && k != "SG2") ||
               (d == "C_AIRTYP" && k != "TYPE");
    }

    void check_unread(const Netlist& nl) {
        for (const Unread& u : unread_) {
            const Item& it = nl.items[u.item];
            const std::string who = fmt::format("{}:{}", it.def->name, it.name);
            const Item* reader = nullptr;
            if (std::string_view(it.def->name) == "C_AIRTYP") {
                int type = 0;
                for (const auto& [key, v] : it.params)
                    if (key == "TYPE") type = v.integer;
                reader = type != 0 ? &it : nullptr;
                // Without a bridge the item still gives the feed length L of
                // every element that takes it as a bridge type (an air
                // bridge's line, a bend's, tee's or cross's arm): a silent 0
                // would drop that line from the circuit.
                if (type == 0 && u.keyword == "L")
                    for (const Item& e : nl.items)
                        for (const auto& [key, v] : e.params)
                            if (reader == nullptr && key.rfind("C_BTYP", 0) == 0 && v.text == it.name) reader = &e;
                if (reader == nullptr) continue;
            } else {
                // A section of n lines reads W1..Wn, LEVEL1..LEVELn and the
                // n - 1 spacings.
                for (const Item& e : nl.items) {
                    int n = 0;
                    if (std::sscanf(e.def->name, "C_%dCOUP", &n) != 1) continue;
                    bool refers = false;
                    for (const auto& [key, v] : e.params) refers = refers || (key == "C_NL_TYP" && v.text == it.name);
                    if (!refers) continue;
                    int k = 0, k2 = 0;
                    const bool read = (std::sscanf(u.keyword.c_str(), "W%d", &k) == 1 && k <= n) ||
                                      (std::sscanf(u.keyword.c_str(), "LEVEL%d", &k) == 1 && k <= n) ||
                                      (std::sscanf(u.keyword.c_str(), "S%d_%d", &k, &k2) == 2 && k2 <= n);
                    if (read) reader = &e;
                }
                if (reader == nullptr) continue;
            }
            errors_.emplace_back(it.file, it.line, fmt::format("{}: missing parameter {} (read by {}:{})", who, u.keyword,
                                                               reader->def->name, reader->name));
            items_sound_ = false;
        }
    }

    // A port on a node no element touches sees nothing: its S-parameters to
    // the other ports are 0.  An element node that nothing else touches is
    // likely the one meant.
    void lone_port_nodes(const Netlist& nl) {
        std::map<std::string, int> uses;
        for (const Item& it : nl.items)
            for (const std::string& n : it.nodes) ++uses[n];
        std::map<std::string, int> ported;
        for (const Port& p : nl.ports) ++ported[p.node];
        for (const Port& p : nl.ports) {
            if (uses.count(p.node)) continue;
            std::string hint;
            for (const Item& it : nl.items)
                for (const std::string& n : it.nodes)
                    if (hint.empty() && n != std::string(kGround) && uses[n] == 1 && !ported.count(n))
                        hint = fmt::format("; {}:{} (line {}) leaves its node '{}' open - is that the node meant?",
                                           it.def->name, it.name, it.line, n);
            warn(p.line, fmt::format("Term:{}: node '{}' connects to no element, so this port sees nothing{}", p.name,
                                     p.node, hint));
        }
    }

    void finish_ports(Netlist& nl) const {
        if (nl.ports.empty()) fail(last_line_, "no Term statement: the circuit has no port");
        std::stable_sort(nl.ports.begin(), nl.ports.end(),
                         [](const Port& a, const Port& b) { return a.number < b.number; });
        for (std::size_t k = 1; k < nl.ports.size(); ++k) {
            const Port& a = nl.ports[k - 1];
            const Port& b = nl.ports[k];
            if (a.number == b.number) {
                const Port& later = a.line > b.line ? a : b;
                const Port& first = a.line > b.line ? b : a;
                fail(later.line, fmt::format("Term:{}: port number {} is already used by Term:{} on line {}",
                                             later.name, later.number, first.name, first.line));
            }
        }
        for (std::size_t k = 0; k < nl.ports.size(); ++k)
            if (nl.ports[k].number != static_cast<int>(k) + 1)
                fail(nl.ports[k].line, fmt::format("Term:{}: Num={} but port {} is missing (ports are numbered "
                                                   "from 1 without gaps)",
                                                   nl.ports[k].name, nl.ports[k].number, k + 1));
    }

    struct Name {
        std::string file;
        int line;
        bool data_item;
    };
    struct Ref {
        std::string who, key, target, file;
        int line;
    };

    std::string_view text_;
    std::string file_;  // of the statements being read: the netlist or an included file
    std::vector<std::filesystem::path> including_;
    static constexpr std::size_t kMaxIncludeDepth = 32;
    host::Host& host_;
    int last_line_ = 1;
    bool have_sweep_ = false;
    std::map<std::string, Name> names_;
    std::vector<Ref> refs_;
    std::vector<std::string> warnings_;
    struct Unread {
        std::size_t item;
        std::string keyword;
    };
    std::vector<Unread> unread_;
    std::vector<NetlistError> errors_;
    bool items_sound_ = true;          // no data item was left out for an error
    std::set<std::string> refused_;  // the types of the statements left out
};

}  // namespace

Netlist parse_netlist(std::string_view text, const std::string& file, host::Host& host) {
    return Parser(text, file, host).run();
}

Netlist read_netlist(const std::string& path, host::Host& host) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw NetlistError(path, 0, "cannot open the netlist");
    std::ostringstream ss;
    ss << in.rdbuf();
    if (in.bad()) throw NetlistError(path, 0, "cannot read the netlist");
    return parse_netlist(ss.str(), path, host);
}

std::vector<UserInstDef*> create_instances(const Netlist& nl, host::Host& host) {
    std::vector<UserInstDef*> out;
    out.reserve(nl.items.size());
    for (const Item& it : nl.items) {
        try {
            out.push_back(host.create(it.def->name, it.name, it.params));
        } catch (const host::Error& e) {
            throw NetlistError(it.file, it.line, e.what());
        }
    }
    return out;
}

}  // namespace mirtex::sim
