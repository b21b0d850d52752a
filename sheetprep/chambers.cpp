// Each chamber's region, its initial volume and its control in input.txt's terms.
#include "sheetprep/chambers.hpp"

#include <algorithm>
#include <optional>
#include <string>

#include "sheet/failure.hpp"
#include "sheet/mechanics/pressure.hpp"
#include "sheet/model/enclosure.hpp"
#include "sheetprep/follower.hpp"
#include "sheetprep/real_text.hpp"

namespace sheetprep {

namespace {

// Σ x1 . (x2 x x3) / 6 over the triangles, in their order.
double enclosed_volume(const std::vector<std::int32_t>& triangles, const mesh& m) {
    double volume = 0.0;
    for (const std::int32_t t : triangles) {
        double x[3][3];
        for (int l = 0; l < 3; ++l)
            for (int c = 0; c < 3; ++c) x[l][c] = m.nodes[m.triangles[t][l]][c];
        volume += sheet::pyramid_volume(x);
    }
    return volume;
}

void check_closed(const std::string& which, const std::vector<std::int32_t>& triangles,
                  const sheet_input& in) {
    const mesh& m = *in.sheet;
    std::vector<sheet::region_triangle> region;
    for (const std::int32_t t : triangles) region.push_back({m.triangles[t], 1.0});
    const std::optional<std::int32_t> breaking = sheet::first_open_end(region, supports_of(in));
    if (!breaking) return;
    const point& x = m.nodes[*breaking];
    throw sheet::failure(
        which + ": node " + std::to_string(*breaking + 1) + " (" + real_text(x[0]) + ", " +
        real_text(x[1]) + ", " + real_text(x[2]) +
        ") lies on an open edge of the chamber and is neither held in x, y and z nor held at 0 "
        "normal to a coordinate plane through the origin that holds its edge, so the chamber "
        "encloses no volume; close it, hold its edge, or orient its triangles alike");
}

chamber_input control_of(const std::string& which, const chamber& c, double v0) {
    chamber_input out;
    out.initial_volume = v0;
    const std::string start = "the chamber's initial volume " + real_text(v0);
    switch (c.control) {
        case chamber_control::pressure:
            out.control = "pressure";
            out.values = {c.value};
            break;
        case chamber_control::volume_ratio:
            if (!(v0 > 0.0))
                throw sheet::failure(which + ": volume_ratio needs a true enclosed volume, and " +
                                     start +
                                     " is not above 0 (a flat or inward-facing sheet); give "
                                     "volume_change instead");
            out.control = "volume";
            out.values = {(c.value - 1.0) * v0};
            break;
        case chamber_control::volume_change:
            if (!(v0 + c.value > 0.0))
                throw sheet::failure(which + ": volume_change " + real_text(c.value) + " takes " +
                                     start + " to " + real_text(v0 + c.value) +
                                     ", and the sheet cannot reach a volume of 0 or below");
            out.control = "volume";
            out.values = {c.value};
            break;
        case chamber_control::gas: {
            const double reference = c.reference_volume.value_or(v0);
            if (!(reference + c.extra_volume > 0.0) || !(v0 + c.extra_volume > 0.0))
                throw sheet::failure(which + ": the gas has no room: " + start + " (and the " +
                                     "reference volume " + real_text(reference) +
                                     "), each with the extra volume " + real_text(c.extra_volume) +
                                     ", must be above 0");
            out.control = "gas";
            out.values = {c.value, reference, c.exponent, c.extra_volume};
            break;
        }
    }
    return out;
}

}  // namespace

std::vector<chamber_input> prepare_chambers(const std::vector<chamber>& chambers,
                                            const std::vector<std::vector<std::int32_t>>& triangles,
                                            const sheet_input& in) {
    const mesh& m = *in.sheet;
    // The chamber each triangle belongs to, from 1; 0 for none.
    std::vector<std::size_t> owner(m.triangles.size(), 0);
    std::vector<bool> followed(m.triangles.size(), false);
    for (const triangle_pressure& p : in.pressures) followed[p.triangle] = true;
    std::vector<chamber_input> out;
    for (std::size_t c = 0; c < chambers.size(); ++c) {
        const std::string which = "[[chamber]] " + std::to_string(c + 1);
        std::vector<std::int32_t> own = triangles[c];
        std::sort(own.begin(), own.end());
        own.erase(std::unique(own.begin(), own.end()), own.end());
        for (const std::int32_t t : own) {
            if (owner[t] != 0)
                throw sheet::failure(which + ": triangle " + std::to_string(t + 1) +
                                     " belongs to [[chamber]] " + std::to_string(owner[t]) +
                                     " already; a triangle belongs to one chamber at most");
            if (followed[t])
                throw sheet::failure(which + ": triangle " + std::to_string(t + 1) +
                                     " carries a follower pressure too; a chamber's triangles "
                                     "take the chamber's pressure only");
            owner[t] = c + 1;
        }
        check_closed(which, own, in);
        chamber_input entry = control_of(which, chambers[c], enclosed_volume(own, m));
        entry.triangles = std::move(own);
        out.push_back(std::move(entry));
    }
    return out;
}

}  // namespace sheetprep
