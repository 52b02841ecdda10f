// `kvplayer <movie>`: plays the movie full screen; the words of the command line make one name.

#include "player/movie_player.h"

int main(int argc, char** argv) {
    kv::movie_player player;
    return kv::movie_main(player, kv::movie_command_line(argc, argv));
}
