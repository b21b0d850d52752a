// Preparing a sweep. Each case's problem file is the original text with the [sweep] table cut
// out and the case's values (and the mesh's path) written over the old ones, so that its comments
// and layout stay; the edit is checked by reading it back, and where it would not give the
// intended document (a layout the edit does not foresee) the document is written out by toml++
// instead. The cases go into a directory beside DIR that takes DIR's place only when whole.
#include "sheetprep/sweep.hpp"

#include <toml++/toml.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string_view>
#include <utility>
#include <variant>

#include "sheet/failure.hpp"
#include "sheet/output/text_file.hpp"
#include "sheetprep/gmsh_mesh.hpp"
#include "sheetprep/input_writer.hpp"
#include "sheetprep/preparation.hpp"
#include "sheetprep/problem.hpp"
#include "sheetprep/real_text.hpp"
#include "sheetprep/sweep_scripts.hpp"

namespace sheetprep {

namespace {

namespace fs = std::filesystem;

std::string at(const std::string& file, const toml::source_region& where) {
    if (where.begin.line == 0) return file + ": ";
    return file + ":" + std::to_string(where.begin.line) + ":" +
           std::to_string(where.begin.column) + ": ";
}

// The problem file read whole (a pipe serves too), refused when it holds a NUL byte.
std::string read_text(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) throw sheet::failure("cannot open problem file " + file + ": " + std::strerror(errno));
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad())
        throw sheet::failure("cannot read problem file " + file + ": " + std::strerror(errno));
    std::string out = std::move(text).str();
    if (out.find('\0') != std::string::npos)
        throw sheet::failure(file + ": holds a NUL byte; the problem file must be TOML text");
    return out;
}

toml::table parse_toml(std::string_view text, const std::string& file) {
    try {
        return toml::parse(text, std::string_view(file));
    } catch (const toml::parse_error& error) {
        throw sheet::failure(at(file, error.source()) + std::string(error.description()));
    }
}

// Byte offsets of the positions toml++ gives: lines from 1, columns from 1 in code points.
class text_offsets {
public:
    explicit text_offsets(std::string_view text) : text_(text) {
        line_starts_.push_back(0);
        for (std::size_t k = 0; k < text.size(); ++k)
            if (text[k] == '\n') line_starts_.push_back(k + 1);
    }

    // npos for a position outside the text.
    std::size_t offset(const toml::source_position& where) const {
        if (where.line == 0 || where.line > line_starts_.size() || where.column == 0)
            return std::string::npos;
        std::size_t at = line_starts_[where.line - 1];
        for (toml::source_index column = 1; column < where.column; ++column) {
            if (at >= text_.size() || text_[at] == '\n') return std::string::npos;
            ++at;
            while (at < text_.size() && (static_cast<unsigned char>(text_[at]) & 0xC0) == 0x80)
                ++at;
        }
        return at;
    }

    std::string_view text() const { return text_; }

private:
    std::string_view text_;
    std::vector<std::size_t> line_starts_;
};

// A stretch of the text [begin, end) and what takes its place.
struct text_edit {
    std::size_t begin;
    std::size_t end;
    std::string text;
};

// The text with the edits made; nothing when two overlap or one lies outside it.
std::optional<std::string> edited(std::string_view text, std::vector<text_edit> edits) {
    std::sort(edits.begin(), edits.end(),
              [](const text_edit& a, const text_edit& b) { return a.begin < b.begin; });
    std::string out;
    std::size_t from = 0;
    for (const text_edit& e : edits) {
        if (e.begin < from || e.end < e.begin || e.end > text.size()) return std::nullopt;
        out.append(text.substr(from, e.begin - from));
        out += e.text;
        from = e.end;
    }
    out.append(text.substr(from));
    return out;
}

// The [sweep] table's stretch of the text: from its header (or key) to the end of its last value,
// widened to whole lines where nothing else stands on them but blanks and a comment.
std::optional<std::pair<std::size_t, std::size_t>> sweep_stretch(const toml::table& document,
                                                                 const toml::table& sweep,
                                                                 const text_offsets& offsets) {
    std::size_t begin = offsets.offset(sweep.source().begin);
    std::size_t end = offsets.offset(sweep.source().end);
    for (auto&& [key, value] : document)
        if (key.str() == "sweep") begin = std::min(begin, offsets.offset(key.source().begin));
    for (auto&& [key, value] : sweep) {
        begin = std::min(begin, offsets.offset(key.source().begin));
        const std::size_t value_end = offsets.offset(value.source().end);
        if (value_end == std::string::npos) return std::nullopt;
        end = end == std::string::npos ? value_end : std::max(end, value_end);
    }
    if (begin == std::string::npos || end == std::string::npos || end < begin) return std::nullopt;
    const std::string_view text = offsets.text();
    const std::size_t line_begin = text.rfind('\n', begin == 0 ? 0 : begin - 1);
    const std::size_t first = line_begin == std::string::npos || begin == 0 ? 0 : line_begin + 1;
    if (text.substr(first, begin - first).find_first_not_of(" \t") == std::string::npos)
        begin = first;
    std::size_t after = end;
    while (after < text.size() &&
           (text[after] == ' ' || text[after] == '\t' || text[after] == '\r'))
        ++after;
    if (after == text.size() || text[after] == '\n' || text[after] == '#')
        end = std::min(text.size(), text.find('\n', after) == std::string::npos
                                        ? text.size()
                                        : text.find('\n', after) + 1);
    return std::make_pair(begin, end);
}

// One step into the document: a key of a table, or an entry of an array (from 0).
using path_step = std::variant<std::string, std::size_t>;

template <class Node>
Node* step_into(Node& node, const path_step& step) {
    if (const std::string* key = std::get_if<std::string>(&step))
        return node.is_table() ? node.as_table()->get(*key) : nullptr;
    return node.is_array() ? node.as_array()->get(std::get<std::size_t>(step)) : nullptr;
}

// A value the sweep varies: where it is in the problem file and the values it takes.
struct swept_key {
    std::string name;  // as written in [sweep]
    std::vector<path_step> path;
    const toml::node* base = nullptr;  // its value in the problem file
    std::vector<const toml::node*> values;
    toml::source_position written;  // of the key in [sweep]
};

struct sweep_plan {
    std::vector<swept_key> keys;  // in the order the [sweep] table writes them
    bool zipped = false;
    std::size_t cases = 0;
};

const char* kind_of(const toml::node& node) {
    switch (node.type()) {
        case toml::node_type::integer:
        case toml::node_type::floating_point:
            return "a number";
        case toml::node_type::string:
            return "a string";
        case toml::node_type::boolean:
            return "true or false";
        case toml::node_type::array:
            return "an array";
        case toml::node_type::table:
            return "a table";
        default:
            return "a date or time";
    }
}

bool whole_number(std::string_view text) {
    return !text.empty() && text.size() < 10 &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The value the swept key names in the problem file, as a path from its top. A part after an
// array names an entry by its place from 1 ("load.1.pressure") or, in an array of tables, by
// the entry's group ("load.skin.pressure").
std::vector<path_step> resolve(const toml::table& document, const std::string& name,
                               const std::string& file, const toml::source_region& where) {
    const auto fail = [&](const std::string& what) {
        throw sheet::failure(at(file, where) + "unknown key '" + name + "' in [sweep]: " + what);
    };
    std::vector<path_step> path;
    const toml::node* node = &document;
    std::string place = "the problem file";
    std::size_t from = 0;
    while (from <= name.size()) {
        const std::size_t dot = std::min(name.find('.', from), name.size());
        const std::string part = name.substr(from, dot - from);
        from = dot + 1;
        if (part.empty()) fail("it has an empty part");
        if (const toml::table* table = node->as_table()) {
            if (node == &document && part == "sweep") fail("the sweep cannot sweep itself");
            node = table->get(part);
            if (node == nullptr)
                fail(place + " gives no '" + part +
                     "' (a swept key names a value the problem file gives)");
            const toml::array* entries = node->as_array();
            place = node->is_table() ? "[" + name.substr(0, dot) + "]"
                    : entries != nullptr && entries->is_array_of_tables()
                        ? "[[" + part + "]]"
                        : "'" + name.substr(0, dot) + "'";
            path.emplace_back(part);
        } else if (const toml::array* array = node->as_array()) {
            const bool of_tables = array->is_array_of_tables();
            std::size_t index = array->size();
            if (whole_number(part)) {
                index = static_cast<std::size_t>(std::stoul(part)) - 1;
                if (index >= array->size())
                    fail("there " + std::string(array->size() == 1 ? "is " : "are ") +
                         std::to_string(array->size()) + " of " + place + ", counted from 1");
            } else if (of_tables) {
                for (std::size_t k = 0; k < array->size(); ++k) {
                    const std::optional<std::string_view> group =
                        (*array)[k].as_table()->get("group") != nullptr
                            ? (*array)[k].as_table()->get("group")->value<std::string_view>()
                            : std::nullopt;
                    if (!group || *group != part) continue;
                    if (index != array->size())
                        fail("two entries of " + place + " have the group '" + part +
                             "'; name one by its place, counted from 1");
                    index = k;
                }
                if (index == array->size())
                    fail("no entry of " + place + " has the group '" + part + "'");
            } else {
                fail("an entry of " + place + " is named by its place, counted from 1");
            }
            node = array->get(index);
            place = of_tables ? place + " " + std::to_string(index + 1)
                              : "'" + name.substr(0, dot) + "'";
            path.emplace_back(index);
        } else {
            fail(place + " is a single value");
        }
    }
    if (node->is_table() || (node->is_array() && node->as_array()->is_array_of_tables()))
        fail(place + " is a table; a swept key names one of its values");
    return path;
}

// Reads the [sweep] table against the problem file it sits in.
sweep_plan read_sweep(const toml::table& document, const toml::table& sweep,
                      const std::string& file) {
    sweep_plan plan;
    const std::string in_sweep = at(file, sweep.source()) + "[sweep] ";
    for (auto&& [key, value] : sweep) {
        const std::string name(key.str());
        if (name == "mode") {
            const std::optional<std::string_view> mode = value.value<std::string_view>();
            if (!mode || (*mode != "product" && *mode != "zip"))
                throw sheet::failure(at(file, value.source()) +
                                     "[sweep] 'mode' must be \"product\" or \"zip\"");
            plan.zipped = *mode == "zip";
            continue;
        }
        if (value.is_table())  // [sweep] sheet.thickness = [...] is a table sheet in [sweep]
            throw sheet::failure(at(file, key.source()) + "[sweep] '" + name +
                                 "' is a table: write a swept key in quotes, \"" + name +
                                 ".thickness\" = [...]");
        swept_key swept;
        swept.name = name;
        swept.written = key.source().begin;
        swept.path = resolve(document, name, file, key.source());
        swept.base = &document;
        for (const path_step& step : swept.path) swept.base = step_into(*swept.base, step);
        const toml::array* list = value.as_array();
        if (list == nullptr)
            throw sheet::failure(at(file, value.source()) + "[sweep] '" + name +
                                 "' must be a list of the values it takes, [a, b, ...]");
        if (list->empty())
            throw sheet::failure(at(file, value.source()) + "[sweep] '" + name +
                                 "' is an empty list; give it one value at least");
        for (std::size_t k = 0; k < list->size(); ++k) {
            const toml::node& one = (*list)[k];
            const bool numbers = one.is_number() && swept.base->is_number();
            if (!numbers && one.type() != swept.base->type())
                throw sheet::failure(at(file, one.source()) + "[sweep] '" + name + "': value " +
                                     std::to_string(k + 1) + " is " + kind_of(one) +
                                     ", where the problem file gives " + kind_of(*swept.base));
            swept.values.push_back(&one);
        }
        for (const swept_key& other : plan.keys)
            if (other.path == swept.path)
                throw sheet::failure(at(file, key.source()) + "[sweep] '" + name +
                                     "' names the value '" + other.name + "' names");
        plan.keys.push_back(std::move(swept));
    }
    if (plan.keys.empty())
        throw sheet::failure(in_sweep +
                             "names no value to sweep, such as \"sheet.thickness\" = "
                             "[0.008, 0.01]");
    // In the order written (toml++ keeps a table's keys sorted): the first varies slowest.
    std::stable_sort(plan.keys.begin(), plan.keys.end(),
                     [](const swept_key& a, const swept_key& b) {
                         return std::make_pair(a.written.line, a.written.column) <
                                std::make_pair(b.written.line, b.written.column);
                     });

    if (plan.zipped) {
        for (const swept_key& k : plan.keys)
            if (k.values.size() != plan.keys.front().values.size())
                throw sheet::failure(
                    in_sweep + "zips lists of unequal length: '" + plan.keys.front().name +
                    "' has " + std::to_string(plan.keys.front().values.size()) + " values, '" +
                    k.name + "' " + std::to_string(k.values.size()));
        plan.cases = plan.keys.front().values.size();
    } else {
        plan.cases = 1;
        for (const swept_key& k : plan.keys)
            plan.cases = plan.cases > most_cases / k.values.size() + 1
                             ? most_cases + 1
                             : plan.cases * k.values.size();
    }
    if (plan.cases > most_cases)
        throw sheet::failure(in_sweep + "makes more than " + std::to_string(most_cases) +
                             " cases; split it into smaller sweeps");
    return plan;
}

// Which value of each key case k (from 0) takes: the lists zipped, or their product with the
// last key varying fastest.
std::vector<std::size_t> picks_of(const sweep_plan& plan, std::size_t k) {
    std::vector<std::size_t> picks(plan.keys.size(), k);
    if (plan.zipped) return picks;
    for (std::size_t j = plan.keys.size(); j-- > 0;) {
        picks[j] = k % plan.keys[j].values.size();
        k /= plan.keys[j].values.size();
    }
    return picks;
}

// A value as the manifest shows it: a string as it is, a number in its shortest form.
std::string shown(const toml::node& value) {
    if (const auto text = value.value_exact<std::string>()) return *text;
    if (const auto whole = value.value_exact<std::int64_t>()) return std::to_string(*whole);
    if (const auto real = value.value_exact<double>()) return real_text(*real);
    if (const auto flag = value.value_exact<bool>()) return *flag ? "true" : "false";
    std::ostringstream out;
    value.visit([&out](const auto& v) { out << v; });
    return out.str();
}

// A value on one line of the manifest, which the scripts read line by line: a line break in a
// string shows as \n.
std::string listed(const toml::node& value) {
    std::string out;
    for (const char c : shown(value))
        out += c == '\n' ? "\\n" : c == '\r' ? "\\r" : std::string(1, c);
    return csv_field(out);
}

// text as a TOML basic string.
std::string toml_string(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20 || byte == 0x7F) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04X", byte);
            out += escape;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

// Puts a copy of value where path leads in document.
void assign(toml::table& document, const std::vector<path_step>& path, const toml::node& value) {
    toml::node* parent = &document;
    for (std::size_t k = 0; k + 1 < path.size(); ++k) parent = step_into(*parent, path[k]);
    value.visit([&](const auto& v) {
        if (const std::string* key = std::get_if<std::string>(&path.back()))
            parent->as_table()->insert_or_assign(*key, v);
        else
            parent->as_array()->replace(
                parent->as_array()->cbegin() +
                    static_cast<std::ptrdiff_t>(std::get<std::size_t>(path.back())),
                v);
    });
}

// The mesh of a case: the file to read and the name its problem file gives it, which resolves
// from the case's directory as the original resolved from the problem file's.
struct mesh_place {
    fs::path file;
    std::string name;
};

mesh_place place_mesh(const std::string& written, const std::string& problem_file,
                      const fs::path& case_dir) {
    const fs::path original = fs::path(problem_file).parent_path() / written;
    if (fs::path(written).is_absolute()) return {original, written};
    std::error_code error;
    const fs::path absolute = fs::absolute(original, error);
    const fs::path folder = fs::weakly_canonical(absolute.parent_path(), error);
    if (error) return {original, absolute.string()};
    const fs::path relative = (folder / absolute.filename()).lexically_relative(case_dir);
    return {original,
            relative.empty() ? (folder / absolute.filename()).string() : relative.generic_string()};
}

// The case's problem file: the edited text where reading it back gives the intended document,
// else that document as toml++ writes it.
std::string case_text(const text_offsets& offsets, const toml::table& document,
                      const sweep_plan& plan, const std::vector<std::size_t>& picks,
                      const std::optional<std::pair<std::size_t, std::size_t>>& stretch,
                      const std::string& mesh_name) {
    toml::table intended = document;
    intended.erase("sweep");
    std::vector<text_edit> edits;
    if (stretch) edits.push_back({stretch->first, stretch->second, ""});
    bool mesh_swept = false;
    const auto region = [&](const toml::node& node) {
        return std::make_pair(offsets.offset(node.source().begin),
                              offsets.offset(node.source().end));
    };
    for (std::size_t j = 0; j < plan.keys.size(); ++j) {
        const swept_key& key = plan.keys[j];
        const toml::node& value = *key.values[picks[j]];
        const bool mesh = key.path.size() == 1 && std::get<std::string>(key.path[0]) == "mesh";
        mesh_swept = mesh_swept || mesh;
        if (!mesh) assign(intended, key.path, value);
        const auto [begin, end] = region(*key.base);
        const auto [from, to] = region(value);
        if (mesh)
            edits.push_back({begin, end, toml_string(mesh_name)});
        else if (from != std::string::npos && to != std::string::npos && from <= to)
            edits.push_back({begin, end, std::string(offsets.text().substr(from, to - from))});
        else
            edits.push_back({begin, end, ""});  // no text to copy: the reading back refuses it
    }
    intended.insert_or_assign("mesh", mesh_name);
    if (!mesh_swept) {
        const auto [begin, end] = region(*document.get("mesh"));
        edits.push_back({begin, end, toml_string(mesh_name)});
    }
    const std::optional<std::string> text =
        stretch ? edited(offsets.text(), std::move(edits)) : std::nullopt;
    if (text) {
        try {
            if (toml::parse(*text) == intended) return *text;
        } catch (const toml::parse_error&) {
        }
    }
    std::ostringstream out;
    out << intended << '\n';
    return out.str();
}

// SIGINT and SIGTERM, while the sweep is prepared, only note that they came (each unless it is
// ignored); the sweep looks between its cases, so that it removes its unfinished directory
// before the process ends by the signal.
volatile std::sig_atomic_t interrupting_signal = 0;

extern "C" void note_interrupt(int signal) {
    interrupting_signal = signal;
}

class interrupts_noted {
public:
    interrupts_noted() {
        for (int k = 0; k < 2; ++k) {
            if (::sigaction(signals[k], nullptr, &previous_[k]) != 0 ||
                previous_[k].sa_handler == SIG_IGN)
                continue;
            struct sigaction action {};
            action.sa_handler = note_interrupt;
            action.sa_flags = SA_RESTART;
            sigemptyset(&action.sa_mask);
            ::sigaction(signals[k], &action, nullptr);
            installed_[k] = true;
        }
    }
    ~interrupts_noted() {
        for (int k = 0; k < 2; ++k)
            if (installed_[k]) ::sigaction(signals[k], &previous_[k], nullptr);
    }
    interrupts_noted(const interrupts_noted&) = delete;
    interrupts_noted& operator=(const interrupts_noted&) = delete;

private:
    static constexpr int signals[2] = {SIGINT, SIGTERM};
    struct sigaction previous_[2]{};
    bool installed_[2] = {false, false};
};

struct interrupted {};

// The directory being filled, removed unless it is kept.
class unfinished_directory {
public:
    explicit unfinished_directory(fs::path path) : path_(std::move(path)) {}
    ~unfinished_directory() {
        std::error_code ignored;
        if (!kept_) fs::remove_all(path_, ignored);
    }
    unfinished_directory(const unfinished_directory&) = delete;
    unfinished_directory& operator=(const unfinished_directory&) = delete;
    const fs::path& path() const { return path_; }
    void keep() { kept_ = true; }

private:
    fs::path path_;
    bool kept_ = false;
};

// DIR as a path to create: absent or an empty directory, in a directory that exists.
fs::path target_of(const std::string& dir) {
    std::error_code error;
    fs::path target = fs::weakly_canonical(fs::absolute(dir, error), error);
    if (error) throw sheet::failure("cannot create " + dir + ": " + error.message());
    const fs::file_status status = fs::status(target, error);
    if (fs::exists(status)) {
        if (!fs::is_directory(status))
            throw sheet::failure(dir +
                                 " exists and is not a directory; a sweep goes into a new "
                                 "or empty directory");
        if (!fs::is_empty(target, error) || error)
            throw sheet::failure(dir +
                                 " exists and holds files; a sweep goes into a new or "
                                 "empty directory");
        if (fs::equivalent(target, fs::current_path(error), error))
            throw sheet::failure(dir +
                                 " is the working directory; a sweep goes into a new or "
                                 "empty directory of its own");
    }
    if (!fs::is_directory(target.parent_path(), error))
        throw sheet::failure("cannot create " + dir + ": its parent " +
                             target.parent_path().string() + " is no directory");
    return target;
}

fs::path make_work_directory(const fs::path& target, const std::string& dir) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        fs::path work =
            target.parent_path() / ("." + target.filename().string() + ".sheetprep-" +
                                    std::to_string(::getpid()) + "-" + std::to_string(attempt));
        std::error_code error;
        if (fs::create_directory(work, error)) return work;
        if (error) throw sheet::failure("cannot create " + dir + ": " + error.message());
    }
    throw sheet::failure("cannot create " + dir + ": no free name for its temporary directory");
}

void write_text(const fs::path& file, const std::string& text, bool executable = false) {
    sheet::text_file out(file.string());
    out.put(text);
    out.commit();
    if (executable) {
        std::error_code error;
        fs::permissions(file,
                        fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec,
                        fs::perm_options::add, error);
        if (error) throw sheet::failure("cannot make " + file.string() + " executable");
    }
}

std::string case_name(std::size_t k, std::size_t cases) {
    std::string number = std::to_string(k + 1);
    const std::size_t width = std::max<std::size_t>(4, std::to_string(cases).size());
    return "case-" + std::string(width - std::min(width, number.size()), '0') + number;
}

// What the sweep makes of the problem file, read before anything is written.
struct sweep_source {
    std::string text;
    toml::table document;
    sweep_plan plan;
    std::optional<std::pair<std::size_t, std::size_t>> stretch;
};

void check_base(const sweep_source& source, const std::string& file) {
    // The problem file less its [sweep] table must be a problem: read with the table blanked
    // out, so that a fault's line and column are those of the file.
    toml::table rest = source.document;
    rest.erase("sweep");
    std::string blanked = source.text;
    if (source.stretch)
        for (std::size_t k = source.stretch->first; k < source.stretch->second; ++k)
            if (blanked[k] != '\n') blanked[k] = ' ';
    bool same = false;
    try {
        same = source.stretch && toml::parse(blanked) == rest;
    } catch (const toml::parse_error&) {
    }
    if (!same) {
        std::ostringstream out;
        out << rest << '\n';
        blanked = out.str();
    }
    parse_problem(blanked, file);
}

// Prepares every case into a directory beside target, then puts it in target's place.
void write_cases(const sweep_source& source, const std::string& problem_file,
                 const std::string& dir, const fs::path& target, const fs::path& solver_dir,
                 sweep_summary& summary) {
    const sweep_plan& plan = source.plan;
    const text_offsets offsets(source.text);
    unfinished_directory work(make_work_directory(target, dir));
    std::string manifest = "case,directory,program";
    for (const swept_key& k : plan.keys) manifest += "," + csv_field(k.name);
    manifest += '\n';
    // Cases that share a mesh file and size share its reading.
    std::map<std::pair<std::string, std::optional<double>>, mesh> meshes;
    const std::string base_mesh(*source.document.get("mesh")->value<std::string_view>());
    for (std::size_t k = 0; k < plan.cases; ++k) {
        if (interrupting_signal != 0) throw interrupted{};
        const std::vector<std::size_t> picks = picks_of(plan, k);
        const std::string name = case_name(k, plan.cases);
        std::string values;
        std::string mesh_written = base_mesh;
        for (std::size_t j = 0; j < plan.keys.size(); ++j) {
            const std::string value = shown(*plan.keys[j].values[picks[j]]);
            values += (j == 0 ? "" : ", ") + plan.keys[j].name + " = " + value;
            if (plan.keys[j].name == "mesh") mesh_written = value;
        }
        try {
            const mesh_place where = place_mesh(mesh_written, problem_file, target / name);
            const std::string text =
                case_text(offsets, source.document, plan, picks, source.stretch, where.name);
            problem p = parse_problem(text, (fs::path(dir) / name / "problem.toml").string());
            // The case's directory is not in place yet: its mesh is read where it lies.
            p.mesh = where.file;
            std::error_code error;
            const fs::path known = fs::weakly_canonical(fs::absolute(p.mesh), error);
            const auto key = std::make_pair(error ? p.mesh.string() : known.string(), p.mesh_size);
            auto found = meshes.find(key);
            if (found == meshes.end())
                found = meshes.emplace(key, read_mesh(p.mesh, p.mesh_size)).first;
            const sheet_input in = prepare(p, found->second);
            const fs::path folder = work.path() / name;
            if (!fs::create_directory(folder, error) || error)
                throw sheet::failure("cannot create " + (fs::path(dir) / name).string() + ": " +
                                     error.message());
            write_text(folder / "problem.toml", text);
            write_input(in, (folder / "input.txt").string());
            const std::string program = program_name(p.program);
            if (std::find(summary.programs.begin(), summary.programs.end(), program) ==
                summary.programs.end())
                summary.programs.push_back(program);
            if (p.program == program_kind::dorvan && p.thickness < 0.05)
                summary.thin_dorvan_cases.push_back(name);
            manifest.append(std::to_string(k + 1)).append(",").append(name).append(",");
            manifest.append(program);
            for (std::size_t j = 0; j < plan.keys.size(); ++j)
                manifest.append(",").append(listed(*plan.keys[j].values[picks[j]]));
            manifest += '\n';
        } catch (const sheet::failure& failure) {
            if (interrupting_signal != 0) throw interrupted{};
            throw sheet::failure(name + " (" + values + "): " + failure.what());
        }
    }
    if (interrupting_signal != 0) throw interrupted{};
    write_text(work.path() / "manifest.csv", manifest);
    const script_places places = find_solvers(solver_dir, target);
    write_text(work.path() / "run-case.sh", run_case_script(places), true);
    write_text(work.path() / "run-parallel.sh", run_parallel_script(places), true);
    write_text(work.path() / "run-slurm.sh", run_slurm_script(places, plan.cases), true);
    if (interrupting_signal != 0) throw interrupted{};
    std::error_code error;
    fs::rename(work.path(), target, error);
    if (error)
        throw sheet::failure("cannot create " + dir + ": " +
                             (error == std::errc::directory_not_empty
                                  ? std::string("it holds files now")
                                  : error.message()));
    work.keep();
}

}  // namespace

std::string csv_field(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string out = "\"";
    for (const char c : text) out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

sweep_summary prepare_sweep(const std::string& problem_file, const std::string& dir,
                            const fs::path& solver_dir) {
    sweep_source source;
    source.text = read_text(problem_file);
    source.document = parse_toml(source.text, problem_file);
    const toml::node* sweep = source.document.get("sweep");
    if (sweep == nullptr)
        throw sheet::failure(problem_file +
                             ": has no [sweep] table naming the values to sweep, such as "
                             "\"sheet.thickness\" = [0.008, 0.01]");
    if (!sweep->is_table())
        throw sheet::failure(at(problem_file, sweep->source()) + "'sweep' must be a table [sweep]");
    source.stretch = sweep_stretch(source.document, *sweep->as_table(), text_offsets(source.text));
    check_base(source, problem_file);
    source.plan = read_sweep(source.document, *sweep->as_table(), problem_file);
    const fs::path target = target_of(dir);

    sweep_summary summary;
    summary.cases = source.plan.cases;
    summary.zipped = source.plan.zipped;
    for (const swept_key& k : source.plan.keys) {
        summary.keys.push_back(k.name);
        summary.value_counts.push_back(k.values.size());
    }
    int signal = 0;
    {
        interrupting_signal = 0;
        const interrupts_noted noting;
        try {
            write_cases(source, problem_file, dir, target, solver_dir, summary);
        } catch (const interrupted&) {
        } catch (const std::exception&) {
            if (interrupting_signal == 0) throw;
        }
        signal = interrupting_signal;
    }
    if (signal != 0) {
        // The handler from before the sweep, or the default action, ends the process.
        std::raise(signal);
        std::signal(signal, SIG_DFL);
        std::raise(signal);
    }
    return summary;
}

}  // namespace sheetprep
