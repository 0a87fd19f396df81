// Writes a generated traverse mesh for timing the tool as a whole:
//   quenvar_generate xy|h POINTS FILE
// The file's extension chooses the format, as with the tool's convert command.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "netdb/database_file.h"
#include "tests/support/generated_networks.h"

int main(int argc, char** argv) {
    using namespace quenvar;
    const int points = argc == 4 ? std::atoi(argv[2]) : 0;
    const bool plane = argc == 4 && std::strcmp(argv[1], "xy") == 0;
    if (points < 4 || points > 4000 || (!plane && std::strcmp(argv[1], "h") != 0)) {
        std::fprintf(stderr, "usage: quenvar_generate xy|h POINTS(4-4000) FILE\n");
        return 2;
    }
    Network net;
    testing::NetworkBuilder b(net);
    testing::TraverseMesh(points).Build(b, net, plane ? testing::MeshKind::Plane : testing::MeshKind::Height);
    return SaveDatabase(net, b.ui(), argv[3], 0) > 0 ? 0 : 1;
}
