// Reads style and chord-map files (TOML, see docs/music-formats.md): from a
// path to a checked TOML table. Every complaint names file, line and column.
#include "loaderreader.h"

#include <filesystem>
#include <fstream>

namespace lumbrast::music {

namespace loading {

// toml++ 3.3 misjudges some non-ASCII characters where it looks for
// whitespace (outside quoted text) and runs into undefined behaviour. TOML
// allows such characters only in quoted text and comments anyway, so they
// are refused anywhere else before the parser sees them.
namespace {

void checkNonAsciiPlacement(std::string_view t, const std::string &source) {
    enum class In { Plain, Comment, Basic, Literal, MultiBasic, MultiLiteral } in = In::Plain;
    int line = 1, column = 0;
    bool continued = false; // after a line-ending backslash in multi-line text
    // A quote opens text only where a key or value may start; inside a bare
    // value (1'x) it is plain, and toml++ reads on through what follows.
    char last = '\n';       // last plain character other than a blank, '\n' at a line start
    bool inValue = false;   // past the '=' of this line
    bool bareValue = false; // the token that runs began as a value (after '=')
    const std::string_view q3("\"\"\""), a3("'''");
    auto starts = [&](std::size_t i, std::string_view s) { return t.substr(i, s.size()) == s; };
    for (std::size_t i = 0; i < t.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(t[i]);
        if ((c & 0xC0) != 0x80)
            ++column;
        if (c == '\n') {
            ++line;
            column = 0;
            if (in == In::Comment || in == In::Basic || in == In::Literal)
                in = In::Plain;
            if (in == In::Plain)
                last = '\n', inValue = false;
            continue;
        }
        // TOML allows no control character but the tab; toml++ misreads what follows one.
        if ((c < 0x20 && c != '\t' && c != '\r') || c == 0x7F)
            throw MusicError(ErrorCode::Syntax,
                             "a control character (byte " + std::to_string(c) +
                                 ") does not belong in the file; save it as plain text",
                             source, line, column);
        if (c >= 0x80 && (in == In::Plain || continued))
            throw MusicError(ErrorCode::Syntax,
                             "characters beyond ASCII belong only in quoted text or comments",
                             source, line, column);
        if (continued && c != ' ' && c != '\t' && c != '\r')
            continued = false;
        auto skip = [&](std::size_t n) {
            i += n;
            column += static_cast<int>(n);
        };
        // A closing triple quote may follow up to two quotes that belong to the text.
        auto closeMulti = [&](char quote) {
            while (i + 3 < t.size() && t[i + 3] == quote)
                skip(1);
            skip(2);
            in = In::Plain;
        };
        switch (in) {
        case In::Plain: {
            const bool opens = last == '\n' || last == '=' || last == '[' || last == ',' ||
                               last == '{' || (last == '.' && !inValue);
            if (opens && c != ' ' && c != '\t' && c != '\r')
                bareValue = last == '=';
            // A bracket or brace inside a bare value (0[) opens nothing either, nor an
            // equals sign there (+v=).
            if (((c == '[' || c == '{') && !opens) || (c == '=' && !opens && bareValue))
                last = 'x';
            else if (c != ' ' && c != '\t' && c != '\r')
                last = static_cast<char>(c);
            inValue = inValue || c == '=';
            if (c == '#')
                in = In::Comment;
            else if (!opens)
                break;
            else if (starts(i, q3))
                in = In::MultiBasic, skip(2);
            else if (starts(i, a3))
                in = In::MultiLiteral, skip(2);
            else if (c == '"')
                in = In::Basic;
            else if (c == '\'')
                in = In::Literal;
            break;
        }
        case In::Basic:
            if (c == '\\' && i + 1 < t.size() && static_cast<unsigned char>(t[i + 1]) < 0x80 &&
                t[i + 1] != '\n')
                skip(1);
            else if (c == '"')
                in = In::Plain;
            break;
        case In::Literal:
            if (c == '\'')
                in = In::Plain;
            break;
        case In::MultiBasic:
            if (c == '\\') {
                std::size_t j = i + 1;
                while (j < t.size() && (t[j] == ' ' || t[j] == '\t' || t[j] == '\r'))
                    ++j;
                // toml++ tests what follows for whitespace and misjudges non-ASCII there.
                if (j < t.size() && static_cast<unsigned char>(t[j]) >= 0x80)
                    throw MusicError(ErrorCode::Syntax,
                                     "a backslash in quoted text must be followed by an escape "
                                     "such as \\n or \\\\, not by a character beyond ASCII",
                                     source, line, column + static_cast<int>(j - i));
                if (j < t.size() && t[j] == '\n')
                    continued = true;
                else if (i + 1 < t.size() && static_cast<unsigned char>(t[i + 1]) < 0x80)
                    skip(1);
            } else if (starts(i, q3)) {
                closeMulti('"');
            }
            break;
        case In::MultiLiteral:
            if (starts(i, a3))
                closeMulti('\'');
            break;
        case In::Comment:
            break;
        }
    }
}

} // namespace

toml::table parseToml(std::string_view text, const std::string &source) {
    if (text.size() > Loader::kMaxFileBytes)
        throw MusicError(ErrorCode::FileTooLarge,
                         "file is " + std::to_string(text.size()) +
                             " bytes; music files may hold at most " +
                             std::to_string(Loader::kMaxFileBytes) + " bytes",
                         source, 1, 1);
    checkNonAsciiPlacement(text, source);
    try {
        return toml::parse(text, source);
    } catch (const toml::parse_error &e) {
        throw MusicError(ErrorCode::Syntax, std::string(e.description()), source,
                         static_cast<int>(e.source().begin.line),
                         static_cast<int>(e.source().begin.column));
    }
}

// `kind` names what the file should be ("style file"), for the message about a folder.
std::string readFile(const std::string &path, const std::string &kind) {
    std::error_code ec;
    const auto type = std::filesystem::status(path, ec).type();
    if (type == std::filesystem::file_type::directory)
        throw MusicError(ErrorCode::WrongKind, "this is a folder, not a " + kind, path);
    if (!ec && type != std::filesystem::file_type::regular)
        throw MusicError(ErrorCode::WrongKind, "this is not a file that can be read as a " + kind,
                         path);
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw MusicError(ErrorCode::FileNotFound, "cannot open the file", path);
    in.seekg(0, std::ios::end);
    std::streamoff size = in.tellg();
    if (size < 0)
        throw MusicError(ErrorCode::FileNotFound, "cannot read the file", path);
    if (static_cast<std::uint64_t>(size) > Loader::kMaxFileBytes)
        throw MusicError(ErrorCode::FileTooLarge,
                         "file is " + std::to_string(size) +
                             " bytes; music files may hold at most " +
                             std::to_string(Loader::kMaxFileBytes) + " bytes",
                         path, 1, 1);
    in.seekg(0);
    std::string text(static_cast<std::size_t>(size), '\0');
    in.read(text.data(), size);
    if (!in)
        throw MusicError(ErrorCode::FileNotFound, "cannot read the file", path);
    return text;
}

toml::table parseTopLevel(const Reader &r, std::string_view text, bool wantStyle,
                          std::initializer_list<std::string_view> tables, const std::string &what) {
    const std::string &source = r.source();
    toml::table root = parseToml(text, source);
    bool isStyle = root.contains("style");
    bool isMap = root.contains("chordmap");
    if (wantStyle && !isStyle && isMap)
        throw MusicError(ErrorCode::WrongKind, "this is a chord map, not a style", source, 1, 1);
    if (!wantStyle && !isMap && isStyle)
        throw MusicError(ErrorCode::WrongKind, "this is a style, not a chord map", source, 1, 1);
    if (!isStyle && !isMap)
        throw MusicError(ErrorCode::BadContent,
                         wantStyle ? "missing [style] table: not a style file"
                                   : "missing [chordmap] table: not a chord map file",
                         source, 1, 1);
    r.onlyKeys(root, tables, what);
    return root;
}

} // namespace loading

StylePtr Loader::LoadStyle(const std::string &path) {
    return ParseStyle(loading::readFile(path, "style file"), path);
}

ChordMapPtr Loader::LoadChordMap(const std::string &path) {
    return ParseChordMap(loading::readFile(path, "chord map file"), path);
}

} // namespace lumbrast::music
