#pragma once

#include <string>
#include <vector>

namespace zov {

// One page of an instruction sheet: a heading and its lines.
struct SheetPage {
    std::string heading;
    std::vector<std::string> lines;
};

// Writes a PDF instruction sheet (UTF-8 texts) with QPdfWriter, one page per SheetPage, each with
// a small wiring sketch under its lines. False, with `error`, when the file cannot be written.
bool WriteInstructionSheet(const std::string& path, const std::string& title,
                           const std::vector<SheetPage>& pages, std::string& error);

// A logo or picture as a BMP: `text` on a coloured plate of `width` x `height` pixels.
bool WritePlate(const std::string& path, const std::string& text, unsigned rgb, int width, int height,
                std::string& error);

// The sample archive of the runtime folder `runtimeDir`: Vetture/ with the product logo, two
// fuels, their brands with logos and pictures, vehicles as S-record and packed files, and Schede/
// with general, kit and vehicle instructions in ITALIANO and ENGLISH (one vehicle in English
// only, one without any). Files already there are replaced.
bool WriteSampleArchive(const std::string& runtimeDir, std::string& error);

}  // namespace zov
