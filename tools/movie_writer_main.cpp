// `kvmovie <file>`: writes the demo's intro movie.

#include <cstdio>

#include "tools/movie_writer.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: kvmovie <file>\n");
        return 2;
    }
    if (!kv::tools::write_movie(argv[1], kv::tools::movie_desc{})) {
        std::fprintf(stderr, "kvmovie: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
