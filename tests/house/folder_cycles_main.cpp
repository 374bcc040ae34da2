// SPDX-License-Identifier: GPL-3.0-or-later
// The folder-cycle check of the source tree (see folder_graph.h).
#include "folder_graph.h"

#include <iostream>

int main(int argc, char** argv) {
    return house::RunCheck(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
}
