// Writes the seed corpora of the fuzz targets into OUT/<target>/ from the given network
// files: the files themselves and what the library's writers make of them (binary database
// files before and after an adjustment, comma-separated pairs, editor texts).
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "frame/library_state.h"
#include "netdb/editor_text.h"
#include "quenvar.h"

namespace fs = std::filesystem;

namespace {

std::string Read(const fs::path& path) {
    return (std::ostringstream() << std::ifstream(path, std::ios::binary).rdbuf()).str();
}

void Write(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

int Quiet(const char*, const char*, int, void*) { return 1; }

// The pipeline's input: answers (all Yes), settings, then the file.
std::string PipelineInput(const std::string& file, bool design) {
    return std::string{char(0xFF), char(design ? 1 : 2)} + file;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: fuzz_seeds OUT NETWORK...\n");
        return 2;
    }
    const fs::path out = argv[1];
    const fs::path scratch = out / "scratch";
    fs::create_directories(scratch);
    zrSetMessageHook(Quiet, nullptr);
    for (int k = 2; k < argc; ++k) {
        const fs::path source = fs::absolute(argv[k]);
        const std::string name = source.stem().string();
        const std::string text = Read(source);
        const bool design = name.find("design") != std::string::npos;
        const std::string db = (scratch / (name + ".db")).string();
        const std::string wco = (scratch / (name + ".wco")).string();
        if (zrLoadData(source.c_str()) != 1) continue;
        zrSaveData(db.c_str(), 0);
        zrSaveData(wco.c_str(), 0);
        std::string editor;
        quenvar::BuildEditorText(quenvar::Library().net, editor);
        const std::string pair = Read(wco) + '\0' + Read(scratch / (name + ".wob"));

        Write(out / "text_reader" / (name + ".txt"), text);
        Write(out / "csv_pair" / name, pair);
        Write(out / "editor_text" / name, editor);
        Write(out / "binary_loader" / (name + ".txt"), text);
        Write(out / "binary_loader" / (name + ".db"), Read(db));
        Write(out / "pipeline" / (name + "-txt"), PipelineInput(text, design));
        Write(out / "pipeline" / (name + "-db"), PipelineInput(Read(db), design));
        Write(out / "pipeline" / (name + "-wco"), PipelineInput(Read(wco), design));

        // After an adjustment the database file carries precision records too.
        zrXYAdjustment(1, 3);
        zrSaveData(db.c_str(), 0);
        Write(out / "binary_loader" / (name + "-adjusted.db"), Read(db));
        zrHAdjustment(0, 1);
        zrSaveData(db.c_str(), 0);
        Write(out / "binary_loader" / (name + "-height.db"), Read(db));
        zrFreeData();
    }
    fs::remove_all(scratch);
    return 0;
}
