// Reading the problem file with toml++. Every table's keys are checked against those it may hold,
// so that a misspelt key is an error instead of a silent default.
#include "sheetprep/problem.hpp"

#include <toml++/toml.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <fstream>
#include <string_view>
#include <utility>

#include "sheet/failure.hpp"
#include "sheetprep/laws.hpp"
#include "sheetprep/table_reader.hpp"
#include "sheetprep/toml_nesting.hpp"

namespace sheetprep {

namespace {

const toml::table& need_table(table_reader& top, std::string_view key) {
    const toml::node& node = top.need(key);
    if (!node.is_table())
        top.fail(node, quoted(key) + " must be a table [" + std::string(key) + "]");
    return *node.as_table();
}

settings read_settings(const std::string& file, table_reader& top) {
    settings out;
    const toml::node* node = top.find("settings");
    if (node == nullptr) return out;
    if (!node->is_table()) top.fail(*node, "'settings' must be a table [settings]");
    table_reader in(file, *node->as_table(), "[settings]");
    in.only({"search_factor", "search_limit", "tolerance_factor", "reference_force",
             "max_iterations", "memory_size"});
    out.search_factor = in.optional_real("search_factor").value_or(out.search_factor);
    out.search_limit = in.integer("search_limit", out.search_limit);
    out.tolerance_factor = in.optional_real("tolerance_factor").value_or(out.tolerance_factor);
    out.reference_force = in.optional_real("reference_force").value_or(out.reference_force);
    out.max_iterations = in.integer("max_iterations", out.max_iterations);
    out.memory_size = in.integer("memory_size", out.memory_size);
    return out;
}

void read_sheet(const std::string& file, table_reader& top, problem& out) {
    table_reader in(file, need_table(top, "sheet"), "[sheet]");
    const toml::node& law_node = in.need("law");
    out.law.law = in.text(law_node, "law");
    const law_entry* law = nullptr;
    std::vector<std::string_view> offered;
    for (const law_entry& entry : laws_of(out.program)) {
        offered.push_back(entry.name);
        if (entry.name == out.law.law) law = &entry;
    }
    if (law == nullptr)
        in.fail(law_node, "law '" + out.law.law + "' is not one of " + program_name(out.program) +
                              "'s: " + joined(offered));
    std::vector<std::string_view> keys = {"thickness", "law"};
    keys.insert(keys.end(), law->constants.begin(), law->constants.end());
    keys.push_back("membrane");
    in.only(keys);
    out.thickness = in.positive("thickness");
    if (const toml::node* membrane = in.find("membrane")) {
        const std::string model = in.text(*membrane, "membrane");
        if (model != "exact" && model != "tension-field")
            in.fail(*membrane,
                    "'membrane' must be \"exact\" (the law's own energy) or "
                    "\"tension-field\" (its relaxed energy, which wrinkles instead of "
                    "carrying compression)");
        out.tension_field = model == "tension-field";
    }
    out.law.number = law->number;
    for (const std::string_view constant : law->constants) {
        const toml::node& node = in.need(constant);
        const double value = in.real(node, constant);
        out.law.constants.push_back(value);
        const std::string wrong = law->meaningless(out.law.constants);
        if (!wrong.empty()) in.fail(node, wrong);
    }
}

template <typename each>
void read_array_of_tables(const std::string& file, table_reader& top, std::string_view key,
                          each&& read) {
    const toml::node* node = top.find(key);
    if (node == nullptr) return;
    const std::string written = "[[" + std::string(key) + "]]";
    const toml::array* entries = node->as_array();
    if (entries == nullptr || !entries->is_array_of_tables())
        top.fail(*node, quoted(key) + " must be written as " + written + " tables");
    for (std::size_t i = 0; i < entries->size(); ++i) {
        table_reader in(file, *(*entries)[i].as_table(), written + " " + std::to_string(i + 1));
        read(in);
    }
}

support read_support(table_reader& in) {
    in.only({"group", "x", "y", "z"});
    support out;
    out.group = in.text("group");
    const char* const axes[] = {"x", "y", "z"};
    for (int j = 0; j < 3; ++j) out.value[j] = in.optional_real(axes[j]);
    if (!out.value[0] && !out.value[1] && !out.value[2])
        in.fail_here("(group '" + out.group + "') prescribes none of x, y, z");
    return out;
}

load read_load(table_reader& in) {
    in.only({"group", "pressure", "traction", "line_load", "force", "follower"});
    load out;
    out.group = in.text("group");
    int kinds = 0;
    std::string given;
    for (const load_kind kind :
         {load_kind::pressure, load_kind::traction, load_kind::line_load, load_kind::force}) {
        const toml::node* node = in.find(kind_name(kind));
        if (node == nullptr) continue;
        given += std::string(kinds++ ? " and " : "") + kind_name(kind);
        out.kind = kind;
        if (kind == load_kind::pressure)
            out.vector[0] = in.real(*node, "pressure");
        else
            out.vector = in.vector(*node, kind_name(kind));
    }
    if (kinds == 0)
        in.fail_here("(group '" + out.group +
                     "') gives no load: one of pressure, traction, line_load, force");
    if (kinds > 1)
        in.fail_here("(group '" + out.group + "') gives " + given + "; one kind per [[load]]");
    if (const toml::node* follower = in.find("follower")) {
        if (!follower->is_boolean()) in.fail(*follower, "'follower' must be true or false");
        out.follower = *follower->value<bool>();
        if (out.follower && out.kind != load_kind::pressure)
            in.fail(*follower, "'follower' applies to a pressure only, and this is a " +
                                   std::string(kind_name(out.kind)));
    }
    return out;
}

// The groups of a [[chamber]]: 'group', or 'groups' as a nonempty array of names.
std::vector<std::string> read_chamber_groups(table_reader& in) {
    const toml::node* one = in.find("group");
    const toml::node* many = in.find("groups");
    if ((one == nullptr) == (many == nullptr))
        in.fail_here("needs one of 'group' (a name) and 'groups' (an array of names)");
    if (one != nullptr) return {in.text(*one, "group")};
    const toml::array* names = many->as_array();
    if (names == nullptr || names->empty())
        in.fail(*many, "'groups' must be an array of group names, at least one");
    std::vector<std::string> out;
    for (const toml::node& name : *names) out.push_back(in.text(name, "groups"));
    return out;
}

chamber read_chamber(table_reader& in) {
    in.only({"group", "groups", "pressure", "volume_change", "volume_ratio", "gas_pressure",
             "reference_volume", "exponent", "extra_volume"});
    chamber out;
    out.groups = read_chamber_groups(in);
    const std::string named = "(group '" + out.groups.front() + "')";
    const std::pair<const char*, chamber_control> controls[] = {
        {"pressure", chamber_control::pressure},
        {"volume_change", chamber_control::volume_change},
        {"volume_ratio", chamber_control::volume_ratio},
        {"gas_pressure", chamber_control::gas}};
    std::string given;
    int count = 0;
    for (const auto& [key, control] : controls) {
        const toml::node* node = in.find(key);
        if (node == nullptr) continue;
        given += std::string(count++ ? " and " : "") + key;
        out.control = control;
        out.value = in.real(*node, key);
        if (control != chamber_control::pressure && control != chamber_control::volume_change &&
            !(out.value > 0.0))
            in.fail(*node, quoted(key) + " must be above 0");
    }
    if (count == 0)
        in.fail_here(named +
                     " gives no control: one of pressure, volume_change, volume_ratio, "
                     "gas_pressure");
    if (count > 1) in.fail_here(named + " gives " + given + "; one control per [[chamber]]");
    for (const char* key : {"reference_volume", "exponent", "extra_volume"}) {
        const toml::node* node = in.find(key);
        if (node != nullptr && out.control != chamber_control::gas)
            in.fail(*node, quoted(key) + " applies to a gas (gas_pressure) only");
    }
    out.reference_volume = in.optional_real("reference_volume");
    out.extra_volume = in.optional_real("extra_volume").value_or(0.0);
    if (const toml::node* node = in.find("exponent")) {
        out.exponent = in.real(*node, "exponent");
        if (!(out.exponent > 0.0))
            in.fail(*node, "'exponent' must be above 0 (1 isothermal, 1.4 adiabatic air)");
    }
    if (out.reference_volume && !(*out.reference_volume + out.extra_volume > 0.0))
        in.fail(*in.find("reference_volume"),
                "'reference_volume' + 'extra_volume' must be above 0: the gas must have room");
    return out;
}

}  // namespace

const char* program_name(program_kind program) {
    return program == program_kind::dorvan ? "dorvan" : "melvar";
}

const char* kind_name(load_kind kind) {
    switch (kind) {
        case load_kind::pressure:
            return "pressure";
        case load_kind::traction:
            return "traction";
        case load_kind::line_load:
            return "line_load";
        case load_kind::force:
            return "force";
    }
    return "";
}

problem read_problem(const std::string& file) {
    // Read whole first, so that a pipe serves too (sheetprep <(...)); a NUL byte, which no TOML
    // text holds, ends the reading there.
    std::ifstream in(file, std::ios::binary);
    if (!in) throw sheet::failure("cannot open problem file " + file + ": " + std::strerror(errno));
    std::string text;
    char block[1 << 16];
    while (in.read(block, sizeof block) || in.gcount() > 0) {
        const auto got = static_cast<std::size_t>(in.gcount());
        if (std::memchr(block, '\0', got) != nullptr)
            throw sheet::failure(file + ": holds a NUL byte; the problem file must be TOML text");
        text.append(block, got);
    }
    if (in.bad())
        throw sheet::failure("cannot read problem file " + file + ": " + std::strerror(errno));
    return parse_problem(text, file);
}

problem parse_problem(std::string_view text, const std::string& file) {
    // The TOML reader recurses as deep as the text nests.
    check_toml_nesting(text, file);
    toml::table document;
    try {
        document = toml::parse(text, file);
    } catch (const toml::parse_error& error) {
        throw sheet::failure(place_in(file, error.source()) + std::string(error.description()));
    }

    problem out;
    out.file = file;
    table_reader top(file, document, "the problem file");
    top.only({"program", "mesh", "mesh_size", "max_elements", "mesh_time_limit", "title",
              "settings", "sheet", "support", "load", "chamber"});
    const toml::node& program = top.need("program");
    const std::string program_text = top.text(program, "program");
    if (program_text == "dorvan")
        out.program = program_kind::dorvan;
    else if (program_text == "melvar")
        out.program = program_kind::melvar;
    else
        top.fail(program, "program '" + program_text + "' is neither dorvan nor melvar");

    out.mesh_name = top.text("mesh");
    out.mesh = std::filesystem::path(file).parent_path() / out.mesh_name;
    if (const toml::node* size = top.find("mesh_size")) {
        out.mesh_size = top.real(*size, "mesh_size");
        if (!(*out.mesh_size > 0.0)) top.fail(*size, "'mesh_size' must be above 0");
    }
    if (const toml::node* count = top.find("max_elements")) {
        if (!count->is_integer() || *count->value<std::int64_t>() < 1)
            top.fail(*count, "'max_elements' must be an integer above 0");
        out.max_elements = *count->value<std::int64_t>();
    }
    if (const toml::node* limit = top.find("mesh_time_limit")) {
        out.mesh_time_limit = top.real(*limit, "mesh_time_limit");
        if (!(*out.mesh_time_limit > 0.0))
            top.fail(*limit, "'mesh_time_limit' must be above 0 (seconds)");
    }
    if (const toml::node* title = top.find("title")) {
        out.title = top.text(*title, "title");
        // The title is the first line of input.txt: one line, and no header of a section.
        if (out.title.find_first_of("\r\n") != std::string::npos)
            top.fail(*title, "'title' must be one line");
        if (!out.title.empty() && out.title[0] == ':')
            top.fail(*title, "'title' must not start with ':' (it would be read as a header)");
    } else {
        out.title = "Sheet from " + out.mesh_name;
    }
    out.solver = read_settings(file, top);
    read_sheet(file, top, out);

    read_array_of_tables(file, top, "support",
                         [&](table_reader& in) { out.supports.push_back(read_support(in)); });
    read_array_of_tables(file, top, "load",
                         [&](table_reader& in) { out.loads.push_back(read_load(in)); });
    read_array_of_tables(file, top, "chamber",
                         [&](table_reader& in) { out.chambers.push_back(read_chamber(in)); });
    return out;
}

}  // namespace sheetprep
