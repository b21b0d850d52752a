// melvar: equilibrium of an incompressible hyperelastic membrane by minimising its total
// potential energy. Reads input.txt; writes ansys.txt, autocad.scr and output.txt (and a .vtu
// if asked).
#include "melvar/program.hpp"
#include "sheet/run/frame.hpp"

int main(int argc, char** argv) {
    return sheet::run<melvar::kinematics>(argc, argv);
}
