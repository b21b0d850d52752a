// Reading a script as gmsh's lexer does, and refusing what a description of geometry and mesh
// never needs, before gmsh reads a byte of it.
#include "sheetprep/geo_guard.hpp"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <optional>
#include <set>
#include <system_error>

#include "sheet/failure.hpp"

namespace sheetprep {

namespace {

namespace fs = std::filesystem;

// What gmsh's .geo language offers beyond geometry and mesh (its reference manual's "General
// commands", "Miscellaneous mesh commands", mesh size fields and option categories, as gmsh 4.8
// reads them), and which a script read here may therefore not hold. gmsh matches keywords with
// their case exactly ("systemcall" is an unknown command to it), and so does the guard.
//
//   runs a program   SystemCall and its short form System, NonBlockingSystemCall; OnelabRun
//                    (starts a client program, opens a socket); the mesh size field
//                    ExternalProcess (a program computes the sizes); SendToServer (a socket)
//   writes files     Save (the mesh or a view), Print (an image), Printf(...) > "file" and
//                    >> "file", CreateDir, and DeleteFile and RenameFile of later gmsh versions
//   ends or stalls   Exit (ends the program reading the script with status 0: sheetprep would
//                    stop without a word, an older input.txt left in place), Abort (stops the
//                    reading half way: half a model), Sleep
//   options          General.*, Solver.*, PostProcessing.*, Print.*: they name files gmsh writes
//                    (General.ErrorFileName, General.TmpFileName), files it merges as they appear
//                    (General.WatchFilePattern), programs it starts (Solver.Executable0) and
//                    sockets, and none of them shapes the mesh. Mesh.* and Geometry.* stay free.
//   post-processing  View (a view is saved or sent away, and is no part of a sheet's mesh) and
//                    Plugin (transforms views, or the mesh after gmsh made it)
//
// A file read (Include, Merge, MergeWithBoundingBox, ShapeFromFile, ListFromFile) must name its
// file in quotes, so that the file can be checked before gmsh reads it; a computed name
// (StrCat(...), a variable) is refused.
struct refusal {
    std::string_view word;
    std::string_view why;
};

constexpr refusal refused_words[] = {
    {"SystemCall", "runs a shell command"},
    {"System", "runs a shell command"},
    {"NonBlockingSystemCall", "runs a shell command"},
    {"OnelabRun", "starts a ONELAB client program"},
    {"ExternalProcess", "makes gmsh run a program for the mesh sizes"},
    {"SendToServer", "sends data to a server through a socket"},
    {"Save", "writes a file"},
    {"Print", "writes an image file"},
    {"CreateDir", "creates a folder"},
    {"DeleteFile", "deletes a file"},
    {"RenameFile", "renames a file"},
    {"Exit", "ends the program reading the script as if all went well"},
    {"Abort", "stops the reading half way, leaving half a model"},
    {"Sleep", "pauses the reading"},
    {"View", "makes a post-processing view, which can be saved or sent away"},
    {"Plugin", "runs a post-processing plugin on the views or on the finished mesh"},
};

// Option categories refused when followed by '.' or '[' (a variable may share the name).
constexpr std::string_view refused_options[] = {"General", "Solver", "PostProcessing"};

struct reader {
    std::string_view command;
    read_kind kind;
};

constexpr reader readers[] = {
    {"Include", read_kind::include},
    {"Merge", read_kind::merge},
    {"MergeWithBoundingBox", read_kind::merge},
    {"ShapeFromFile", read_kind::data},
    {"ListFromFile", read_kind::data},
};

// gmsh opens these with their own readers and never parses them as a script, whatever they hold
// (tried one by one with gmsh 4.8: the extensions in this spelling only; "f.Stl" or "f.BREP" is
// parsed as a script when it holds one, and so is a .msh that does not start as a mesh file).
constexpr std::string_view data_extensions[] = {".stl", ".step", ".stp", ".brep", ".iges",
                                                ".igs", ".unv",  ".vtk", ".mesh", ".bdf",
                                                ".nas", ".p3d",  ".ply", ".ply2", ".med"};

constexpr std::size_t largest_script = std::size_t{64} << 20;
constexpr std::size_t deepest_nesting = 64;

const char* const keep_to =
    "; a mesh file read by sheetprep may describe geometry and mesh only: remove it";

[[noreturn]] void fail(const std::string& file, int line, const std::string& what) {
    throw sheet::failure(file + (line > 0 ? ":" + std::to_string(line) : std::string()) + ": " +
                         what);
}

// gmsh's lexer: a token is a word, a string in double quotes (no escapes: the next quote ends
// it, and it may span lines), a number or one other character. "//" comments to the end of the
// line, "/* */" to the first "*/" (an unclosed comment or string runs to the end of the file,
// where gmsh stops).
enum class token_kind { word, text, number, symbol };

struct token {
    token_kind kind;
    std::string_view text;  // a string's text without its quotes
    int line;
};

bool is_letter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}
bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

std::vector<token> tokens_of(std::string_view text) {
    std::vector<token> out;
    int line = 1;
    std::size_t i = 0;
    const std::size_t n = text.size();
    // Moves i to end, counting the lines passed.
    const auto pass_to = [&](std::size_t end) {
        line += static_cast<int>(std::count(text.begin() + static_cast<std::ptrdiff_t>(i),
                                            text.begin() + static_cast<std::ptrdiff_t>(end), '\n'));
        i = end;
    };
    while (i < n) {
        const char c = text[i];
        const char next = i + 1 < n ? text[i + 1] : '\0';
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v') {
            pass_to(i + 1);
        } else if (c == '/' && next == '/') {
            const std::size_t end = text.find('\n', i);
            pass_to(end == std::string_view::npos ? n : end);
        } else if (c == '/' && next == '*') {
            const std::size_t end = text.find("*/", i + 2);
            pass_to(end == std::string_view::npos ? n : end + 2);
        } else if (c == '"') {
            const std::size_t end = text.find('"', i + 1);
            const std::size_t stop = end == std::string_view::npos ? n : end;
            out.push_back({token_kind::text, text.substr(i + 1, stop - i - 1), line});
            pass_to(end == std::string_view::npos ? n : end + 1);
        } else if (is_letter(c)) {
            std::size_t end = i + 1;
            while (end < n && (is_letter(text[end]) || is_digit(text[end]))) ++end;
            out.push_back({token_kind::word, text.substr(i, end - i), line});
            i = end;
        } else if (is_digit(c) || (c == '.' && is_digit(next))) {
            std::size_t end = i;
            while (end < n && (is_digit(text[end]) || text[end] == '.')) ++end;
            // An exponent only when digits follow: "1eExit" is 1 and the word eExit.
            if (end < n && (text[end] == 'e' || text[end] == 'E')) {
                std::size_t digits = end + 1;
                if (digits < n && (text[digits] == '+' || text[digits] == '-')) ++digits;
                if (digits < n && is_digit(text[digits])) {
                    end = digits;
                    while (end < n && is_digit(text[end])) ++end;
                }
            }
            out.push_back({token_kind::number, text.substr(i, end - i), line});
            i = end;
        } else {
            out.push_back({token_kind::symbol, text.substr(i, 1), line});
            ++i;
        }
    }
    return out;
}

bool is_symbol(const std::vector<token>& tokens, std::size_t k, char c) {
    return k < tokens.size() && tokens[k].kind == token_kind::symbol && tokens[k].text[0] == c;
}

// The index after the parenthesised arguments that start at k (k itself when none do).
std::size_t after_arguments(const std::vector<token>& tokens, std::size_t k) {
    if (!is_symbol(tokens, k, '(')) return k;
    int depth = 0;
    for (; k < tokens.size(); ++k) {
        if (is_symbol(tokens, k, '(')) ++depth;
        if (is_symbol(tokens, k, ')') && --depth == 0) return k + 1;
    }
    return k;
}

std::string single_quoted(std::string_view word) {
    std::string out(1, '\'');
    out += word;
    out += '\'';
    return out;
}

// Whether gmsh, opening or merging this file, parses it as a script: it does unless the
// extension names one of its mesh or CAD readers, or the file starts with '$' (a .msh file, or
// a character that stops gmsh's parser at once).
bool parsed_as_script(const fs::path& as_named, const fs::path& real) {
    const std::string extension = as_named.extension().string();
    for (const std::string_view data : data_extensions)
        if (extension == data) return false;
    std::ifstream in(real, std::ios::binary);
    char c = '\0';
    while (in.get(c))
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n' && c != '\f' && c != '\v')
            return c != '$';
    return true;
}

std::string read_script(const fs::path& real, const std::string& shown) {
    std::error_code error;
    const std::uintmax_t size = fs::file_size(real, error);
    if (!error && size > largest_script)
        throw sheet::failure(shown + " holds " + std::to_string(size) +
                             " bytes, more than any script gmsh should read (64 MiB)");
    std::ifstream in(real, std::ios::binary);
    if (!in) throw sheet::failure("cannot open " + shown + ": " + std::strerror(errno));
    std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) throw sheet::failure("cannot read " + shown + ": " + std::strerror(errno));
    return content;
}

bool inside(const fs::path& tree, const fs::path& file) {
    const auto [tree_end, file_end] =
        std::mismatch(tree.begin(), tree.end(), file.begin(), file.end());
    return tree_end == tree.end() && file_end != file.end();
}

// A file on the way, as gmsh names it (for the messages, and the folder of the names it reads)
// and as it is on disk after every link (to know it again).
struct visit {
    fs::path as_named;
    fs::path real;
};

visit visit_of(const fs::path& as_named) {
    std::error_code error;
    fs::path real = fs::weakly_canonical(as_named, error);
    return {as_named, error ? as_named : real};
}

std::string shown(const fs::path& file) {
    return file.lexically_normal().string();
}

// The walk through a mesh file and the files it reads: each file checked once, and a file met
// again while it is being read (an include cycle) refused.
class script_walk {
public:
    explicit script_walk(fs::path tree) : tree_(std::move(tree)) {}

    void mesh_file(const visit& file) {
        enter(file, "", 0, [&] { opened(file, "", 0); });
    }

private:
    // Runs check on a file not met before, with the file on the stack of those being read; by
    // and line name the command that reads it.
    template <typename checker>
    void enter(const visit& file, const std::string& by, int line, checker&& check) {
        for (std::size_t k = 0; k < open_.size(); ++k)
            if (open_[k].real == file.real) {
                std::string chain;
                for (std::size_t j = k; j < open_.size(); ++j)
                    chain += shown(open_[j].as_named) + " -> ";
                fail(by, line,
                     "reads " + shown(file.as_named) + " while it is being read (" + chain +
                         shown(file.as_named) +
                         "): gmsh would read it for ever; a script may not include itself");
            }
        if (done_.count(file.real)) return;
        if (open_.size() >= deepest_nesting) fail(by, line, "nests files more than 64 deep");
        open_.push_back(file);
        check();
        open_.pop_back();
        done_.insert(file.real);
    }

    // A file that gmsh opens as the mesh file, or merges: the file, when gmsh parses it, and its
    // options file (the name and ".opt"), which gmsh parses along with it when there is one.
    void opened(const visit& file, const std::string& by, int line) {
        if (parsed_as_script(file.as_named, file.real)) script(file);
        const visit options = visit_of(file.as_named.string() + ".opt");
        std::error_code error;
        const fs::file_status status = fs::status(options.real, error);
        if (!fs::exists(status)) return;
        const std::string where = by.empty() ? shown(file.as_named) : by;
        if (!fs::is_regular_file(status))
            fail(where, line,
                 shown(options.as_named) + ", which gmsh reads along with " + shown(file.as_named) +
                     ", is not a regular file");
        enter(options, where, line, [&] {
            script(options,
                   " (gmsh reads this options file along with " + shown(file.as_named) + ")");
        });
    }

    // note follows a failure in the text itself.
    void script(const visit& file, const std::string& note = "") {
        const std::string name = shown(file.as_named);
        const std::string content = read_script(file.real, name);
        std::vector<geo_read> reads;
        try {
            reads = check_geo_text(content, name);
        } catch (const sheet::failure& failure) {
            throw sheet::failure(failure.what() + note);
        }
        for (const geo_read& read : reads) {
            // A name cut short: an unclosed quote may take in the rest of the file.
            const std::string command =
                single_quoted(read.command) + " \"" +
                (read.name.size() > 80 ? read.name.substr(0, 77) + "..." : read.name) + "\" ";
            if (read.name.empty()) fail(name, read.line, command + "names no file");
            if (read.name.find('\\') != std::string::npos)
                fail(name, read.line, command + "holds a backslash; separate folders with '/'");
            const visit target = visit_of(fs::path(read.name).is_absolute()
                                              ? fs::path(read.name)
                                              : file.as_named.parent_path() / read.name);
            if (!inside(tree_, target.real))
                fail(name, read.line,
                     command + "reads a file outside the folder of the problem file (" +
                         tree_.string() + "); copy the file into that folder");
            std::error_code error;
            const fs::file_status status = fs::status(target.real, error);
            if (!fs::exists(status))
                fail(name, read.line, command + "names a file that does not exist");
            if (!fs::is_regular_file(status))
                fail(name, read.line,
                     command + "names " +
                         (fs::is_directory(status) ? "a folder" : "no regular file"));
            if (read.kind == read_kind::include)
                enter(target, name, read.line, [&] { script(target); });
            else if (read.kind == read_kind::merge)
                enter(target, name, read.line, [&] { opened(target, name, read.line); });
        }
    }

    fs::path tree_;
    std::vector<visit> open_;
    std::set<fs::path> done_;
};

}  // namespace

std::vector<geo_read> check_geo_text(std::string_view text, const std::string& file) {
    if (const std::size_t nul = text.find('\0'); nul != std::string_view::npos)
        fail(file,
             1 + static_cast<int>(std::count(
                     text.begin(), text.begin() + static_cast<std::ptrdiff_t>(nul), '\n')),
             "holds a NUL byte; a script is text");
    const std::vector<token> tokens = tokens_of(text);
    std::vector<geo_read> reads;
    for (std::size_t k = 0; k < tokens.size(); ++k) {
        const token& t = tokens[k];
        if (t.kind != token_kind::word) continue;
        for (const refusal& r : refused_words)
            if (t.text == r.word)
                fail(file, t.line, single_quoted(t.text) + " " + std::string(r.why) + keep_to);
        for (const std::string_view category : refused_options) {
            if (t.text != category ||
                !(is_symbol(tokens, k + 1, '.') || is_symbol(tokens, k + 1, '[')))
                continue;
            std::string option(t.text);
            if (is_symbol(tokens, k + 1, '.') && k + 2 < tokens.size() &&
                tokens[k + 2].kind == token_kind::word)
                option += "." + std::string(tokens[k + 2].text);
            fail(file, t.line,
                 single_quoted(option) + " is a " + std::string(t.text) +
                     " option; General, Solver and PostProcessing options name files that gmsh "
                     "writes, programs it starts and sockets, and none of them shapes the mesh" +
                     keep_to);
        }
        if (t.text == "Printf" && is_symbol(tokens, after_arguments(tokens, k + 1), '>'))
            fail(file, t.line, "'Printf' with '>' writes to a file" + std::string(keep_to));
        for (const reader& r : readers) {
            if (t.text != r.command) continue;
            std::size_t name = k + 1;
            while (is_symbol(tokens, name, '(')) ++name;
            if (name >= tokens.size() || tokens[name].kind != token_kind::text)
                fail(file, t.line,
                     single_quoted(t.text) +
                         " must name its file in quotes here: a computed name cannot be checked "
                         "before gmsh reads the file");
            reads.push_back(
                {std::string(r.command), std::string(tokens[name].text), t.line, r.kind});
        }
    }
    return reads;
}

void check_mesh_file_scripts(const fs::path& file, const fs::path& tree) {
    script_walk walk(visit_of(tree.empty() ? fs::path(".") : tree).real);
    walk.mesh_file(visit_of(file));
}

}  // namespace sheetprep
