// Reading back a .vtu as the solvers write it (VTK XML, raw appended data with UInt64 byte
// counts): the field, point and cell data arrays, each value as a double.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace sheetprep {

struct vtu_array {
    std::string name;
    std::string type;  // VTK's name: Float64, Int32, UInt8, Int64
    int components = 1;
    std::vector<double> values;  // tuple after tuple
};

struct vtu_content {
    std::vector<vtu_array> field;  // in the file's order
    std::vector<vtu_array> point;
    std::vector<vtu_array> cell;
};

// The array of that name among arrays, or nullptr.
const vtu_array* find_array(const std::vector<vtu_array>& arrays, const std::string& name);

// Reads file. Fails with "file: what" on a file that cannot be read, that is not a VTK
// unstructured grid with raw appended data, or whose arrays do not fit their declarations.
vtu_content read_vtu(const std::string& file);

}  // namespace sheetprep
