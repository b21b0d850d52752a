// The problem file: which program, which mesh, the solver settings, the sheet and its material,
// and the supports and loads on named groups of the mesh.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "nlp/settings.hpp"
#include "sheet/model/model.hpp"

namespace sheetprep {

enum class program_kind { dorvan, melvar };

// The solver settings of input.txt; left out of the problem file, those of the minimisers' own
// defaults, and input.txt's default tolerance factor.
struct settings {
    double search_factor = nlp::search_settings{}.search_factor;
    std::int32_t search_limit = nlp::search_settings{}.search_limit;
    double tolerance_factor = sheet::default_tolerance_factor;
    double reference_force = 0.0;
    std::int32_t max_iterations = nlp::lbfgs_settings{}.max_iterations;
    std::int32_t memory_size = nlp::lbfgs_settings{}.memory_size;
};

// The material line of input.txt: the law's number in the chosen program and its constants in
// the order that program reads them.
struct material {
    std::string law;  // as named in the problem file
    std::int32_t number = 0;
    std::vector<double> constants;
};

// Each of x, y, z is prescribed when given.
struct support {
    std::string group;
    std::array<std::optional<double>, 3> value;
};

enum class load_kind { pressure, traction, line_load, force };

struct load {
    std::string group;
    load_kind kind = load_kind::pressure;
    std::array<double, 3> vector{};  // a pressure is vector[0]
    bool follower = false;           // a pressure that follows the deforming sheet
};

// A chamber: surface groups that enclose a volume and share one pressure, under one control.
enum class chamber_control { pressure, volume_change, volume_ratio, gas };

struct chamber {
    std::vector<std::string> groups;
    chamber_control control = chamber_control::pressure;
    // The pressure, the change of volume, the ratio to the initial volume, or the gas's pressure
    double value = 0.0;
    std::optional<double> reference_volume;  // the gas's volume at its pressure; else the initial
    double exponent = 1.0;                   // of the gas: 1 isothermal, 1.4 adiabatic air
    double extra_volume = 0.0;               // of the gas, outside the chamber (a hose, a tank)
};

struct problem {
    std::string file;  // the problem file as named on the command line
    program_kind program = program_kind::dorvan;
    std::string mesh_name;       // as written in the problem file
    std::filesystem::path mesh;  // resolved against the problem file's folder
    std::optional<double> mesh_size;
    std::optional<std::int64_t> max_elements;  // the most triangles the sheet may have
    std::optional<double> mesh_time_limit;     // seconds for gmsh to read and mesh
    std::string title;
    settings solver;
    double thickness = 0.0;
    material law;
    std::vector<support> supports;
    std::vector<load> loads;
    std::vector<chamber> chambers;  // numbered from 1 in file order
};

const char* program_name(program_kind program);
const char* kind_name(load_kind kind);

// Reads and checks the problem file. Fails with "file:line:column: what" on a syntax error,
// nesting deeper than deepest_toml_nesting (before the TOML reader sees the text), an unknown key,
// a missing or wrong-typed value, a law the program lacks or a constant without meaning (a modulus
// of 0 or below, a locking stretch of 1 or below); and on a file that cannot be read or holds a NUL
// byte; and on a [[chamber]] with no group or no control or several, a ratio, a gas pressure or
// an exponent of 0 or below, gas keys without gas_pressure, or a gas reference volume that with
// the extra volume is 0 or below.
problem read_problem(const std::string& file);
// The same for the text of a problem file, file naming it.
problem parse_problem(std::string_view text, const std::string& file);

}  // namespace sheetprep
