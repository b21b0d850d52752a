// The laws of dorvan and melvar as the problem file names them, and the bounds of their
// constants: a solver given a constant out of them runs on into a failed line search or an
// energy of NaN.
#include "sheetprep/laws.hpp"

namespace sheetprep {

namespace {

const law_entry laws[] = {
    {program_kind::dorvan, 1, "neo-hookean", {"shear", "bulk"}},
    {program_kind::dorvan, 2, "mooney-rivlin", {"c10", "c01", "bulk"}},
    {program_kind::melvar, 1, "neo-hookean", {"shear"}},
    {program_kind::melvar, 2, "mooney-rivlin", {"c10", "c01"}},
    {program_kind::melvar, 3, "arruda-boyce", {"shear", "locking_stretch"}},
};

}  // namespace

std::vector<const law_entry*> laws_of(program_kind program) {
    std::vector<const law_entry*> out;
    for (const law_entry& entry : laws)
        if (entry.program == program) out.push_back(&entry);
    return out;
}

std::string meaningless(std::string_view constant, double value,
                        const std::vector<double>& before) {
    if ((constant == "shear" || constant == "bulk") && !(value > 0.0))
        return "'" + std::string(constant) + "' must be above 0 (a " + std::string(constant) +
               " modulus of 0 or below has no meaning)";
    // c10 comes just before c01 in every law that has them: their sum is half the shear modulus.
    if (constant == "c01" && !(before.back() + value > 0.0))
        return "'c10' + 'c01' must be above 0 (the shear modulus is 2 (c10 + c01))";
    if (constant == "locking_stretch" && !(value > 1.0))
        return "'locking_stretch' must be above 1 (the chains would be locked before the sheet "
               "stretches)";
    return {};
}

}  // namespace sheetprep
