// Shared by the loader's files: the TOML reader that names file, line and
// column in every complaint, and the parsers of notes and parts.
#pragma once

#include "model.h"

// toml++ 3.3 has internal consistency asserts that malformed input can
// reach (found by fuzzing); the parser then goes on to report a syntax
// error. Keep that behaviour in every build type rather than abort.
#define TOML_ASSERT(expr) static_cast<void>(0)
#include <toml++/toml.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>

namespace lumbrast::music::loading {

using detail::BandData;
using detail::BandMember;
using detail::ChordMapData;
using detail::MotifData;
using detail::Part;
using detail::Pattern;
using detail::PatternNote;
using detail::StyleData;
using detail::Voice;

class Reader {
public:
    explicit Reader(std::string source) : source_(std::move(source)) {}

    [[noreturn]] void fail(const toml::node *node, const std::string &msg,
                           int extraColumn = 0) const {
        int line = 0, col = 0;
        if (node) {
            line = static_cast<int>(node->source().begin.line);
            col = static_cast<int>(node->source().begin.column) + extraColumn;
        }
        throw MusicError(ErrorCode::BadContent, msg, source_, line, col);
    }

    void onlyKeys(const toml::table &t, std::initializer_list<std::string_view> allowed,
                  const std::string &where) const {
        for (auto &&[k, v] : t) {
            if (std::find(allowed.begin(), allowed.end(), k.str()) == allowed.end())
                fail(&v, "unknown key '" + std::string(k.str()) + "' in " + where);
        }
    }

    const toml::table &table(const toml::table &parent, std::string_view key,
                             const std::string &where) const {
        const toml::node *n = parent.get(key);
        if (!n)
            fail(&parent, "missing [" + std::string(key) + "] in " + where);
        if (!n->is_table())
            fail(n, "'" + std::string(key) + "' must be a table");
        return *n->as_table();
    }

    // The value named by the text at key (`fallback` when absent); a text
    // naming none of options fails with `message`.
    template <class E>
    E choice(const toml::table &t, std::string_view key, const std::string &where,
             const std::string &fallback,
             std::initializer_list<std::pair<std::string_view, E>> options,
             const std::string &message) const {
        const std::string text = string(t, key, where, &fallback);
        for (const auto &[name, value] : options)
            if (name == text)
                return value;
        fail(t.get(key), message);
    }

    std::string string(const toml::table &t, std::string_view key, const std::string &where,
                       const std::string *fallback = nullptr) const {
        const toml::node *n = t.get(key);
        if (!n) {
            if (fallback)
                return *fallback;
            fail(&t, "missing '" + std::string(key) + "' in " + where);
        }
        if (!n->is_string())
            fail(n, "'" + std::string(key) + "' must be text in quotes");
        std::string s = **n->as_string();
        if (s.size() > 200)
            fail(n, "'" + std::string(key) + "' is longer than 200 characters");
        return s;
    }

    long long integer(const toml::table &t, std::string_view key, long long lo, long long hi,
                      const std::string &where, const long long *fallback = nullptr) const {
        const toml::node *n = t.get(key);
        if (!n) {
            if (fallback)
                return *fallback;
            fail(&t, "missing '" + std::string(key) + "' in " + where);
        }
        return integerValue(n, std::string(key), lo, hi);
    }

    long long integerValue(const toml::node *n, const std::string &what, long long lo,
                           long long hi) const {
        if (!n->is_integer())
            fail(n, "'" + what + "' must be a whole number");
        long long v = **n->as_integer();
        if (v < lo || v > hi)
            fail(n, "'" + what + "' is " + std::to_string(v) + ", must be " + std::to_string(lo) +
                        " to " + std::to_string(hi));
        return v;
    }

    double number(const toml::table &t, std::string_view key, double lo, double hi,
                  const std::string &where) const {
        const toml::node *n = t.get(key);
        if (!n)
            fail(&t, "missing '" + std::string(key) + "' in " + where);
        double v = 0;
        if (n->is_integer())
            v = static_cast<double>(**n->as_integer());
        else if (n->is_floating_point())
            v = **n->as_floating_point();
        else
            fail(n, "'" + std::string(key) + "' must be a number");
        if (!(v >= lo && v <= hi)) {
            std::ostringstream os;
            os << "'" << key << "' is " << v << ", must be " << lo << " to " << hi;
            fail(n, os.str());
        }
        return v;
    }

    const toml::array *array(const toml::table &t, std::string_view key, bool required,
                             const std::string &where) const {
        const toml::node *n = t.get(key);
        if (!n) {
            if (required)
                fail(&t, "missing '" + std::string(key) + "' in " + where);
            return nullptr;
        }
        if (!n->is_array())
            fail(n, "'" + std::string(key) + "' must be a list [ ... ]");
        return n->as_array();
    }

    // [[name]] as a list of tables.
    std::vector<const toml::table *> tables(const toml::table &t, std::string_view key) const {
        std::vector<const toml::table *> out;
        const toml::node *n = t.get(key);
        if (!n)
            return out;
        const toml::array *a = n->as_array();
        if (!a)
            fail(n, "'" + std::string(key) + "' must be written as [[" + std::string(key) +
                        "]] tables");
        for (auto &e : *a) {
            if (!e.is_table())
                fail(&e, "each '" + std::string(key) + "' must be a table");
            out.push_back(e.as_table());
        }
        return out;
    }

    const std::string &source() const { return source_; }

private:
    std::string source_;
};

// Text of a file no larger than Loader::kMaxFileBytes; `kind` ("style file")
// names what it should be in the messages.
std::string readFile(const std::string &path, const std::string &kind);
// The TOML table of a style or chord map text; throws Syntax or FileTooLarge.
toml::table parseToml(std::string_view text, const std::string &source);
// The top level of a style (wantStyle) or chord map text: refused when it is
// the other kind or holds a table other than `tables`; `what` ("a style")
// names the file in the message.
toml::table parseTopLevel(const Reader &r, std::string_view text, bool wantStyle,
                          std::initializer_list<std::string_view> tables, const std::string &what);

// The head table `key` ("style") of a file, holding only `keys`; sets the
// data's source and its name from the table.
template <class Data>
const toml::table &readHead(const Reader &r, const toml::table &root, const std::string &key,
                            std::initializer_list<std::string_view> keys, Data &data) {
    const std::string where = "[" + key + "]";
    const toml::table &head = r.table(root, key, "the file");
    r.onlyKeys(head, keys, where);
    data.source = r.source();
    data.name = r.string(head, "name", where);
    return head;
}

// Pitch class of a note name like "F#"; `used` is set to the characters read.
int pitchClass(std::string_view s, std::size_t &used);
Part parsePart(const Reader &r, const toml::table &t, const TimeSignature &ts, int measures,
               const std::string &where);
std::uint32_t parseBoundary(const Reader &r, const toml::table &t);

} // namespace lumbrast::music::loading
