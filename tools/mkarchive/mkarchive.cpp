// mkarchive: writes the sample vehicle archive (Vetture/) and its instruction sheets (Schede/)
// into a runtime folder.
//
//   mkarchive RUNTIMEDIR
#include <QGuiApplication>
#include <cstdio>
#include <string>

#include "ArchiveSample.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: mkarchive RUNTIMEDIR\n");
        return 2;
    }
    // Fonts for the pictures and the sheets.
    QGuiApplication app(argc, argv);
    std::string error;
    if (!zov::WriteSampleArchive(argv[1], error)) {
        std::fprintf(stderr, "mkarchive: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
