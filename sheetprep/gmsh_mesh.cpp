// The one file that speaks to gmsh: it opens or meshes the file and copies nodes, triangles and
// named physical groups into our plain mesh, in a process of its own that hands the plain mesh
// back as bytes. A script reaches gmsh only after the guard has read it.
#include "sheetprep/gmsh_mesh.hpp"

#include <gmsh.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <new>
#include <string>
#include <unordered_map>

#include "sheet/failure.hpp"
#include "sheetprep/child_process.hpp"
#include "sheetprep/geo_guard.hpp"
#include "sheetprep/gmsh_limits.hpp"
#include "sheetprep/mesh_bytes.hpp"
#include "sheetprep/mesh_checks.hpp"
#include "sheetprep/real_text.hpp"

#if defined(__SANITIZE_ADDRESS__)
// gmsh 4.8 leaks a little inside its own meshing (the recombination into quadrangles, for one).
// LeakSanitizer passes over what libgmsh allocates, so that a leak of ours still fails a run.
// Quietly: a failing run still ends with its one line on standard error.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libgmsh.so\n";
}
extern "C" const char* __lsan_default_options() {
    return "print_suppressions=0";
}
#endif

namespace sheetprep {

namespace {

namespace fs = std::filesystem;

// gmsh element types by their number in its API.
constexpr int line_element = 1;
constexpr int triangle_element = 2;
constexpr int quadrangle_element = 3;

// gmsh's API is one session per process: it is opened in gmsh's process for one read. It is
// kept off standard output, and its errors are thrown, which read_mesh turns into ours.
class gmsh_session {
public:
    gmsh_session() {
        gmsh::initialize(0, nullptr, false);
        gmsh::option::setNumber("General.Terminal", 0);
        gmsh::option::setNumber("General.AbortOnError", 2);
    }
    ~gmsh_session() { gmsh::finalize(); }
    gmsh_session(const gmsh_session&) = delete;
    gmsh_session& operator=(const gmsh_session&) = delete;
};

std::string element_name(int type) {
    std::string name;
    int dimension = 0, order = 0, node_count = 0, primary_count = 0;
    std::vector<double> local;
    gmsh::model::mesh::getElementProperties(type, name, dimension, order, node_count, local,
                                            primary_count);
    return name;
}

// The surface mesh must be 3-node triangles, and its edges 2-node lines.
void check_element_kinds(const std::string& file) {
    std::vector<int> types;
    gmsh::model::mesh::getElementTypes(types, 2);
    for (const int type : types)
        if (type != triangle_element)
            throw sheet::failure(file + ": the mesh holds " + element_name(type) +
                                 " elements; mesh with first-order triangles only "
                                 "(Mesh.ElementOrder = 1, no Recombine)");
    gmsh::model::mesh::getElementTypes(types, 1);
    for (const int type : types)
        if (type != line_element)
            throw sheet::failure(file + ": the mesh holds " + element_name(type) +
                                 " elements; mesh with first-order triangles only "
                                 "(Mesh.ElementOrder = 1)");
}

// The sheet is a surface: a .geo whose model has volumes would give all their faces, a mesh with
// 3-D elements all its boundary surfaces.
void check_no_volumes(const std::string& file, bool geo) {
    if (geo) {
        gmsh::vectorpair volumes;
        gmsh::model::getEntities(volumes, 3);
        if (!volumes.empty())
            throw sheet::failure(file + ": the model has " + std::to_string(volumes.size()) +
                                 (volumes.size() == 1 ? " volume" : " volumes") +
                                 "; the sheet is a surface mesh (Delete { Volume{...}; } keeps "
                                 "its surfaces)");
        return;
    }
    std::vector<int> types;
    gmsh::model::mesh::getElementTypes(types, 3);
    if (!types.empty())
        throw sheet::failure(file + ": the mesh holds 3-D elements (" + element_name(types[0]) +
                             "); the sheet is a surface mesh (save a 2-D mesh: gmsh -2)");
}

// The surfaces whose triangles make the sheet: those in a physical surface group when the model
// has one, as in the .msh that gmsh saves from it, else every surface.
std::vector<int> sheet_surfaces() {
    gmsh::vectorpair physical, surfaces;
    gmsh::model::getPhysicalGroups(physical, 2);
    gmsh::model::getEntities(surfaces, 2);
    std::vector<int> out;
    for (const auto& [dimension, tag] : surfaces) {
        std::vector<int> groups;
        if (!physical.empty()) gmsh::model::getPhysicalGroupsForEntity(dimension, tag, groups);
        if (physical.empty() || !groups.empty()) out.push_back(tag);
    }
    return out;
}

struct numbering {
    std::unordered_map<std::size_t, std::int32_t> node;      // gmsh node tag -> index
    std::unordered_map<std::size_t, std::int32_t> triangle;  // gmsh element tag -> index
};

// Nodes in gmsh's order, keeping those the sheet's triangles use; triangles in gmsh's order of
// the sheet's surfaces. Fails when there are none.
numbering copy_nodes_and_triangles(const std::string& file, bool geo, mesh& out) {
    numbering number;
    std::vector<std::size_t> element_tags, corner_tags;
    for (const int surface : sheet_surfaces()) {
        std::vector<std::size_t> elements, corners;
        gmsh::model::mesh::getElementsByType(triangle_element, elements, corners, surface);
        element_tags.insert(element_tags.end(), elements.begin(), elements.end());
        corner_tags.insert(corner_tags.end(), corners.begin(), corners.end());
    }
    if (element_tags.empty()) {
        gmsh::vectorpair physical;
        gmsh::model::getPhysicalGroups(physical, 2);
        if (!geo && physical.empty())
            throw sheet::failure(file +
                                 ": no physical surface group is defined (gmsh saves only the "
                                 "elements of physical groups: add a Physical Surface for the "
                                 "sheet)");
        throw sheet::failure(file + ": the mesh has no 3-node triangles (is a surface meshed?)");
    }
    std::unordered_map<std::size_t, bool> used;
    for (const std::size_t tag : corner_tags) used[tag] = true;

    std::vector<std::size_t> node_tags;
    std::vector<double> coordinates, parametric;
    gmsh::model::mesh::getNodes(node_tags, coordinates, parametric, -1, -1, false, false);
    for (std::size_t i = 0; i < node_tags.size(); ++i) {
        if (!used.count(node_tags[i]) || number.node.count(node_tags[i])) continue;
        number.node[node_tags[i]] = static_cast<std::int32_t>(out.nodes.size());
        out.nodes.push_back({coordinates[3 * i], coordinates[3 * i + 1], coordinates[3 * i + 2]});
    }
    for (std::size_t e = 0; e < element_tags.size(); ++e) {
        number.triangle[element_tags[e]] = static_cast<std::int32_t>(out.triangles.size());
        out.triangles.push_back({number.node.at(corner_tags[3 * e]),
                                 number.node.at(corner_tags[3 * e + 1]),
                                 number.node.at(corner_tags[3 * e + 2])});
    }
    return number;
}

group copy_group(int dimension, int tag, std::string name, const numbering& number) {
    group g;
    g.name = std::move(name);
    g.dimension = dimension;
    std::vector<std::size_t> node_tags;
    std::vector<double> coordinates;
    gmsh::model::mesh::getNodesForPhysicalGroup(dimension, tag, node_tags, coordinates);
    for (const std::size_t node : node_tags) {
        const auto found = number.node.find(node);
        if (found == number.node.end())
            g.stray_nodes.push_back(node);
        else
            g.nodes.push_back(found->second);
    }
    std::sort(g.nodes.begin(), g.nodes.end());
    g.nodes.erase(std::unique(g.nodes.begin(), g.nodes.end()), g.nodes.end());

    std::vector<int> entities;
    gmsh::model::getEntitiesForPhysicalGroup(dimension, tag, entities);
    for (const int entity : entities) {
        std::vector<std::size_t> element_tags, corner_tags;
        if (dimension == 2) {
            gmsh::model::mesh::getElementsByType(triangle_element, element_tags, corner_tags,
                                                 entity);
            for (const std::size_t element : element_tags)
                g.triangles.push_back(number.triangle.at(element));
        } else if (dimension == 1) {
            gmsh::model::mesh::getElementsByType(line_element, element_tags, corner_tags, entity);
            for (std::size_t e = 0; e < element_tags.size(); ++e) {
                const auto first = number.node.find(corner_tags[2 * e]);
                const auto second = number.node.find(corner_tags[2 * e + 1]);
                if (first != number.node.end() && second != number.node.end())
                    g.edges.push_back({first->second, second->second});
            }
        }
    }
    return g;
}

bool is_geo(const fs::path& file) {
    std::string extension = file.extension().string();
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return extension == ".geo";
}

mesh read_open_model(const std::string& name, bool geo, std::optional<double> mesh_size) {
    check_no_volumes(name, geo);
    if (geo) {
        if (mesh_size) gmsh::option::setNumber("Mesh.MeshSizeMax", *mesh_size);
        gmsh::model::mesh::generate(2);
    }
    check_element_kinds(name);
    mesh out;
    const numbering number = copy_nodes_and_triangles(name, geo, out);
    gmsh::vectorpair groups;
    gmsh::model::getPhysicalGroups(groups);
    for (const auto& [dimension, tag] : groups) {
        std::string group_name;
        gmsh::model::getPhysicalName(dimension, tag, group_name);
        if (group_name.empty()) continue;  // a group without a name cannot be asked for
        out.groups.push_back(copy_group(dimension, tag, std::move(group_name), number));
    }
    return out;
}

// The area of the sheet's surfaces, from a coarse mesh of one size (a thirtieth of the diagonal
// of their bounding box) that overrides the script's own sizes: from it the number of triangles
// that mesh_size asks for is known before gmsh is asked for them. 0 when there is nothing to
// measure. Leaves the model meshed coarsely: the process ends after it.
double coarse_sheet_area(const std::string& name) {
    gmsh::open(name);
    const std::vector<int> surfaces = sheet_surfaces();
    std::array<double, 3> low{}, high{};
    for (std::size_t k = 0; k < surfaces.size(); ++k) {
        std::array<double, 3> a{}, b{};
        gmsh::model::getBoundingBox(2, surfaces[k], a[0], a[1], a[2], b[0], b[1], b[2]);
        for (int j = 0; j < 3; ++j) {
            low[j] = k == 0 ? a[j] : std::min(low[j], a[j]);
            high[j] = k == 0 ? b[j] : std::max(high[j], b[j]);
        }
    }
    const double diagonal = std::sqrt((high[0] - low[0]) * (high[0] - low[0]) +
                                      (high[1] - low[1]) * (high[1] - low[1]) +
                                      (high[2] - low[2]) * (high[2] - low[2]));
    if (surfaces.empty() || !(diagonal > 0.0) || !std::isfinite(diagonal)) return 0.0;
    const double size = diagonal / 30.0;
    gmsh::option::setNumber("Mesh.MeshSizeMin", size);
    gmsh::option::setNumber("Mesh.MeshSizeMax", size);
    gmsh::option::setNumber("Mesh.MeshSizeFactor", 1.0);
    gmsh::option::setNumber("Mesh.MeshSizeFromCurvature", 0.0);
    gmsh::option::setNumber("Mesh.ElementOrder", 1.0);
    gmsh::option::setNumber("Mesh.RecombineAll", 0.0);
    gmsh::model::mesh::generate(2);

    std::vector<std::size_t> node_tags;
    std::vector<double> coordinates, parametric;
    gmsh::model::mesh::getNodes(node_tags, coordinates, parametric, -1, -1, false, false);
    std::unordered_map<std::size_t, point> at;
    for (std::size_t i = 0; i < node_tags.size(); ++i)
        at[node_tags[i]] = {coordinates[3 * i], coordinates[3 * i + 1], coordinates[3 * i + 2]};
    mesh pieces;  // the coarse triangles, a quadrangle as two
    for (const int surface : surfaces)
        for (const int type : {triangle_element, quadrangle_element}) {
            std::vector<std::size_t> elements, corners;
            gmsh::model::mesh::getElementsByType(type, elements, corners, surface);
            const std::size_t per = type == triangle_element ? 3 : 4;
            for (std::size_t e = 0; e < elements.size(); ++e) {
                const std::size_t* c = &corners[per * e];
                const auto index = static_cast<std::int32_t>(pieces.nodes.size());
                for (std::size_t j = 0; j < per; ++j) pieces.nodes.push_back(at.at(c[j]));
                pieces.triangles.push_back({index, index + 1, index + 2});
                if (per == 4) pieces.triangles.push_back({index, index + 2, index + 3});
            }
        }
    return mesh_area(pieces);
}

}  // namespace

mesh read_mesh(const fs::path& file, std::optional<double> mesh_size, const mesh_limits& limits) {
    const std::string name = file.string();
    // A device or a pipe may have no end: gmsh would read on forever.
    std::error_code error;
    const fs::file_status status = fs::status(file, error);
    if (!error && fs::exists(status) && !fs::is_regular_file(status) && !fs::is_directory(status))
        throw sheet::failure("cannot open mesh " + name +
                             ": not a regular file (a device or a pipe may have no end)");
    // gmsh opens a missing file without complaint, so the file is tried here first.
    std::ifstream probe(file);
    if (!probe) throw sheet::failure("cannot open mesh " + name + ": " + std::strerror(errno));
    if (fs::is_directory(file))
        throw sheet::failure("cannot open mesh " + name + ": " + std::strerror(EISDIR));
    probe.close();

    const bool geo = is_geo(file);
    if (mesh_size && !geo)
        throw sheet::failure("mesh_size applies to a .geo script only, and " + name +
                             " is a mesh already");
    check_mesh_file_scripts(file, limits.tree.empty() ? file.parent_path() : limits.tree);

    // One clock for both of gmsh's processes.
    const auto start = std::chrono::steady_clock::now();
    const auto within = [&] {
        child_limits bound{0.0, gmsh_memory(limits.max_elements)};
        if (limits.seconds > 0.0) {
            const std::chrono::duration<double> spent = std::chrono::steady_clock::now() - start;
            bound.seconds = std::max(limits.seconds - spent.count(), 1e-3);
        }
        return bound;
    };

    std::optional<double> expected;
    if (geo && mesh_size) {
        const child_result measured = run_in_child(
            [&] {
                const gmsh_session session;
                const double area = coarse_sheet_area(name);
                return std::string(reinterpret_cast<const char*>(&area), sizeof area);
            },
            within());
        if (measured.end == child_end::done && measured.bytes.size() == sizeof(double)) {
            double area = 0.0;
            std::memcpy(&area, measured.bytes.data(), sizeof area);
            if (area > 0.0) expected = triangles_for(area, *mesh_size);
            if (expected) check_count_asked(*expected, *mesh_size, area, name, limits);
        } else if (measured.end != child_end::failed) {
            report_gmsh_end(measured, name, limits);
        }
        // When the coarse mesh fails, gmsh's failure on the mesh itself says why.
    }

    const child_result made = run_in_child(
        [&] {
            const gmsh_session session;
            try {
                gmsh::open(name);
                return mesh_to_bytes(read_open_model(name, geo, mesh_size));
            } catch (const std::string& message) {
                throw sheet::failure("gmsh failed on " + name + ": " + message);
            } catch (const sheet::failure&) {
                throw;
            } catch (const std::bad_alloc&) {
                throw;
            } catch (const std::exception& error) {
                throw sheet::failure("gmsh failed on " + name + ": " + error.what());
            }
        },
        within());
    if (made.end == child_end::failed)
        throw sheet::failure(made.escaped ? "gmsh failed on " + name + ": " + made.bytes
                                          : made.bytes);
    if (made.end != child_end::done) report_gmsh_end(made, name, limits);
    mesh out = mesh_from_bytes(made.bytes);
    check_count_made(out.triangles.size(), name, limits);
    if (geo) check_size_reached(out, name, mesh_size, expected);
    return out;
}

}  // namespace sheetprep
