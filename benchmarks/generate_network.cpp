// Writes a generated traverse mesh for timing the tool as a whole:
//   quenvar_generate xy|h POINTS FILE [TIE_EVERY]
// The file's extension chooses the format, as with the tool's convert command.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "netdb/database_file.h"
#include "tests/support/generated_networks.h"

int main(int argc, char** argv) {
    using namespace quenvar;
    const int points = argc == 4 || argc == 5 ? std::atoi(argv[2]) : 0;
    const int tieEvery = argc == 5 ? std::atoi(argv[4]) : 4;
    const bool plane = points > 0 && std::strcmp(argv[1], "xy") == 0;
    if (points < 4 || points > 4000 || tieEvery < 1 || (!plane && std::strcmp(argv[1], "h") != 0)) {
        std::fprintf(stderr, "usage: quenvar_generate xy|h POINTS(4-4000) FILE [TIE_EVERY(1-)]\n");
        return 2;
    }
    Network net;
    testing::NetworkBuilder b(net);
    testing::TraverseMesh(points, tieEvery).Build(b, net, plane ? testing::MeshKind::Plane : testing::MeshKind::Height);
    return SaveDatabase(net, b.ui(), argv[3], 0) > 0 ? 0 : 1;
}
