// Looking up the groups each support and load names, and turning them into node components.
#include "sheetprep/preparation.hpp"

#include <algorithm>
#include <cmath>

#include "sheet/failure.hpp"
#include "sheetprep/chambers.hpp"
#include "sheetprep/follower.hpp"
#include "sheetprep/loads.hpp"
#include "sheetprep/supports.hpp"

namespace sheetprep {

namespace {

const char* const dimension_names[] = {"point", "curve", "surface", "volume"};

// The groups of that name; fails when there are none, naming those the mesh has.
std::vector<const group*> groups_named(const std::string& name, const problem& p, const mesh& m) {
    std::vector<const group*> found;
    std::string names;
    for (const group& g : m.groups) {
        if (g.name == name) found.push_back(&g);
        if (names.find("'" + g.name + "'") == std::string::npos)
            names += (names.empty() ? "'" : ", '") + g.name + "'";
    }
    if (found.empty())
        throw sheet::failure(
            p.mesh_name + " has no physical group '" + name + "' (" +
            (names.empty() ? "it has no named physical groups" : "it has " + names) + ")");
    for (const group* g : found)
        if (!g->stray_nodes.empty())
            throw sheet::failure("physical group '" + name + "' holds gmsh node " +
                                 std::to_string(g->stray_nodes.front()) +
                                 ", which no triangle of the sheet uses");
    return found;
}

int needed_dimension(load_kind kind) {
    switch (kind) {
        case load_kind::pressure:
        case load_kind::traction:
            return 2;
        case load_kind::line_load:
            return 1;
        case load_kind::force:
            return 0;
    }
    return 0;
}

// Lumps the load to forces, or adds it to per_triangle when it is a follower pressure.
void lump_load(const load& applied, std::size_t number, const problem& p, const mesh& m,
               nodal_forces& forces, std::vector<double>& per_triangle) {
    const int dimension = needed_dimension(applied.kind);
    const std::string which = "[[load]] " + std::to_string(number) + ": a " +
                              kind_name(applied.kind) + " needs a " + dimension_names[dimension] +
                              " group";
    bool lumped = false;
    for (const group* g : groups_named(applied.group, p, m)) {
        if (g->dimension != dimension) continue;
        if (dimension == 1 && g->edges.empty())
            throw sheet::failure(which + "; '" + g->name + "' has no line elements");
        if (applied.follower)
            add_follower(applied, *g, per_triangle);
        else
            lump(applied, *g, m, forces);
        lumped = true;
    }
    if (!lumped) {
        const group* other = groups_named(applied.group, p, m).front();
        throw sheet::failure(which + ", and '" + other->name + "' is a " +
                             dimension_names[std::clamp(other->dimension, 0, 3)] + " group");
    }
}

// The triangles of the chamber's surface groups (a name may also be a group of lower dimension).
std::vector<std::int32_t> chamber_triangles(const chamber& c, std::size_t number, const problem& p,
                                            const mesh& m) {
    std::vector<std::int32_t> out;
    for (const std::string& name : c.groups) {
        const std::vector<const group*> named = groups_named(name, p, m);
        bool surface = false;
        for (const group* g : named)
            if (g->dimension == 2) {
                out.insert(out.end(), g->triangles.begin(), g->triangles.end());
                surface = true;
            }
        if (!surface)
            throw sheet::failure("[[chamber]] " + std::to_string(number) +
                                 ": a chamber needs surface groups, and '" + name + "' is a " +
                                 dimension_names[std::clamp(named.front()->dimension, 0, 3)] +
                                 " group");
    }
    return out;
}

}  // namespace

sheet_input prepare(const problem& p, const mesh& m) {
    sheet_input out;
    out.title = p.title;
    out.origin =
        "# made by sheetprep from the mesh " + p.mesh_name + " and the problem file " + p.file;
    for (char& c : out.origin)
        if (c == '\r' || c == '\n') c = ' ';
    out.program = p.program;
    out.solver = p.solver;
    out.thickness = p.thickness;
    out.law = p.law;
    out.sheet = &m;

    std::vector<held_nodes> held;
    for (const support& s : p.supports) {
        held_nodes entry{&s, {}};
        for (const group* g : groups_named(s.group, p, m))
            entry.nodes.insert(entry.nodes.end(), g->nodes.begin(), g->nodes.end());
        std::sort(entry.nodes.begin(), entry.nodes.end());
        entry.nodes.erase(std::unique(entry.nodes.begin(), entry.nodes.end()), entry.nodes.end());
        held.push_back(std::move(entry));
    }
    out.supports = prescribe(held, m);

    nodal_forces forces(m.nodes.size(), {0.0, 0.0, 0.0});
    std::vector<double> per_triangle(m.triangles.size(), 0.0);
    for (std::size_t i = 0; i < p.loads.size(); ++i)
        lump_load(p.loads[i], i + 1, p, m, forces, per_triangle);
    out.loads = load_components(forces);
    out.pressures = follower_pressures(per_triangle);
    for (const component_value& line : out.loads)
        if (!std::isfinite(line.value))
            throw sheet::failure("the summed load on node " + std::to_string(line.node + 1) +
                                 " in " + "XYZ"[line.direction] + " is beyond double precision");
    for (const triangle_pressure& pressure : out.pressures)
        if (!std::isfinite(pressure.value))
            throw sheet::failure("the summed follower pressure on triangle " +
                                 std::to_string(pressure.triangle + 1) +
                                 " is beyond double precision");
    if (out.supports.empty())
        throw sheet::failure(
            "no [[support]] holds the sheet: it could move as a rigid body, and the solvers find "
            "no equilibrium; prescribe at least the components that stop it");
    check_follower_region(out);
    std::vector<std::vector<std::int32_t>> chambered;
    for (std::size_t c = 0; c < p.chambers.size(); ++c)
        chambered.push_back(chamber_triangles(p.chambers[c], c + 1, p, m));
    out.chambers = prepare_chambers(p.chambers, chambered, out);
    return out;
}

}  // namespace sheetprep
