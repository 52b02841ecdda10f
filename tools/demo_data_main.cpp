// `kvdemo <folder>`: writes the demo data set into the folder.

#include <cstdio>

#include "tools/demo_data.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: kvdemo <folder>\n");
        return 2;
    }
    if (!kv::tools::write_demo_data(argv[1])) {
        std::fprintf(stderr, "kvdemo: cannot write the demo data into %s\n", argv[1]);
        return 1;
    }
    return 0;
}
