#include "Packaging.h"

#include <strings.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "AtomicFile.h"
#include "AtomicFileSet.h"

namespace zov {
namespace fs = std::filesystem;

namespace {

constexpr size_t kMagicWordLimit = 100;
constexpr size_t kEcuMagicLimit = 100;
constexpr int kHeaderLineFeeds = 5;

bool IsSpace(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// A line break inside a vehicle text would end a header line early and shift every later one.
std::string OneLine(std::string text) {
    for (char& c : text)
        if (c == '\r' || c == '\n') c = ' ';
    return text;
}

std::string SystemError() { return std::strerror(errno); }

// What a file-level failure says: the operation's sentence about the file and the reason.
PackResult About(const std::string& path, const PackResult& r) {
    if (r.ok) return r;
    return PackResult::Failure(path + ": " + r.error);
}

// Splits "a\tb\tc" into its fields.
std::vector<std::string> Fields(std::string_view line) {
    std::vector<std::string> out;
    size_t start = 0;
    for (;;) {
        const size_t tab = line.find('\t', start);
        out.emplace_back(
            line.substr(start, tab == std::string_view::npos ? std::string_view::npos : tab - start));
        if (tab == std::string_view::npos) return out;
        start = tab + 1;
    }
}

// Lines 2 to 4 of a configuration header, for those who show them.
ConfigurationHeader VehicleLines(std::string_view text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size() && lines.size() < 4) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string line(text.substr(start, end - start));
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    ConfigurationHeader h;
    if (lines.size() > 1) h.model = lines[1];
    if (lines.size() > 2) h.programName = lines[2];
    if (lines.size() > 3) {
        const std::vector<std::string> f = Fields(lines[3]);
        int32_t* targets[3] = {&h.fuel, &h.displacement, &h.year};
        for (size_t i = 0; i < 3 && i < f.size(); ++i)
            *targets[i] = int32_t(std::strtol(f[i].c_str(), nullptr, 10));
    }
    return h;
}

}  // namespace

// --- Scrambling ------------------------------------------------------------------------------

uint8_t Scrambler::Next(uint8_t b, int shiftModulus) {
    const uint64_t p = position_++;
    if (key_.empty()) return b;
    const unsigned k = static_cast<unsigned char>(key_[p % key_.size()]);
    const unsigned shift = unsigned(p % uint64_t(shiftModulus));
    return uint8_t(b ^ ((k << shift) & 0xFFu));
}

void Scrambler::Apply(std::string& bytes, int shiftModulus) {
    for (char& c : bytes) c = char(Next(uint8_t(c), shiftModulus));
}

ConfigurationHeader ConfigurationHeader::Of(const ConfCar& car) {
    return {car.MODELLO, car.NOME_PROGRAMMA, car.TIPO_DI_CARBURANTE, car.GetValue(40), car.ANNO_VETTURA};
}

// --- In memory -------------------------------------------------------------------------------

std::string PackConfigurationData(const ConfigurationHeader& header, const std::array<std::string, 3>& files,
                                  std::string_view key) {
    std::string headerText = std::to_string(files[0].size()) + "\t" + std::to_string(files[1].size()) + "\t" +
                             std::to_string(files[2].size()) + "\r\n";
    headerText += OneLine(header.model) + "\r\n";
    headerText += OneLine(header.programName) + "\r\n";
    headerText += std::to_string(header.fuel) + "\t" + std::to_string(header.displacement) + "\t" +
                  std::to_string(header.year) + "\r\n";
    headerText += "\r\n";

    Scrambler scrambler(key);
    std::string out(packaging::kConfigurationMagic);
    out += "\r\n";
    scrambler.Apply(headerText, packaging::kHeaderShift);
    out += headerText;
    for (size_t i = 0; i < 3; ++i) {
        std::string body = files[i];
        scrambler.Apply(body, packaging::kFileShift[i]);
        out += body;
    }
    return out;
}

PackResult UnpackConfigurationData(std::string_view data, std::array<std::string, 3>& files,
                                   ConfigurationHeaderText* header, std::string_view key) {
    size_t at = 0;
    while (at < data.size() && IsSpace(data[at])) ++at;
    const size_t wordStart = at;
    while (at < data.size() && !IsSpace(data[at]) && at - wordStart < kMagicWordLimit) ++at;
    const std::string_view word = data.substr(wordStart, at - wordStart);
    if (!EqualIgnoringCase(word, packaging::kConfigurationMagic))
        return PackResult::Failure("not a saved configuration (it does not start with " +
                                   std::string(packaging::kConfigurationMagic) + ")");
    while (at < data.size() && IsSpace(data[at])) ++at;

    Scrambler scrambler(key);
    std::string text;
    int lineFeeds = 0;
    while (lineFeeds < kHeaderLineFeeds) {
        if (at >= data.size()) return PackResult::Failure("the file ends inside its header");
        const char c = char(scrambler.Next(uint8_t(data[at++]), packaging::kHeaderShift));
        if (c == '\n') ++lineFeeds;
        if (text.size() < packaging::kHeaderTextLimit) text.push_back(c);
    }

    // Three integers, each decimal, 0x-hexadecimal or 0-octal, separated by white space.
    std::array<long long, 3> lengths{};
    const char* p = text.c_str();
    for (long long& length : lengths) {
        char* end = nullptr;
        errno = 0;
        length = std::strtoll(p, &end, 0);
        if (end == p || errno == ERANGE)
            return PackResult::Failure("the header does not give the three file lengths");
        if (length < 0) return PackResult::Failure("the header gives a negative file length");
        p = end;
    }
    const size_t remaining = data.size() - at;
    unsigned long long announced = 0;
    for (long long length : lengths) announced += (unsigned long long)length;
    if (announced > remaining)
        return PackResult::Failure("the file is shorter than its header announces (" +
                                   std::to_string(announced) + " bytes of definition files, " +
                                   std::to_string(remaining) + " present)");

    std::array<std::string, 3> out;
    for (size_t i = 0; i < 3; ++i) {
        out[i].assign(data.substr(at, size_t(lengths[i])));
        at += size_t(lengths[i]);
        scrambler.Apply(out[i], packaging::kFileShift[i]);
    }
    files = std::move(out);
    if (header) {
        header->text = text;
        header->lengths = lengths;
        header->vehicle = VehicleLines(text);
    }
    return PackResult::Success();
}

std::string PackEcuData(std::string_view content, std::string_view key) {
    std::string out(packaging::kEcuMagic);
    out += "\r\n";
    std::string body(content);
    Scrambler scrambler(key);
    scrambler.Apply(body, packaging::kEcuBodyShift);
    return out + body;
}

PackResult UnpackEcuData(std::string_view data, std::string& content, std::string_view key) {
    size_t end = std::string_view::npos;
    for (size_t i = 1; i < data.size() && i < kEcuMagicLimit; ++i) {
        if (data[i] == '\n' && data[i - 1] == '\r') {
            end = i;
            break;
        }
    }
    if (end == std::string_view::npos || !EqualIgnoringCase(data.substr(0, end - 1), packaging::kEcuMagic))
        return PackResult::Failure("not a packed ECU file (it does not start with " +
                                   std::string(packaging::kEcuMagic) + ")");
    std::string body(data.substr(end + 1));
    Scrambler scrambler(key);
    scrambler.Apply(body, packaging::kEcuBodyShift);
    content = std::move(body);
    return PackResult::Success();
}

// --- Files -----------------------------------------------------------------------------------

PackResult ReadWholeFile(const std::string& path, std::string& content) {
    std::error_code ec;
    if (fs::is_directory(path, ec)) return PackResult::Failure(path + ": is a folder, not a file");
    std::ifstream in(path, std::ios::binary);
    if (!in) return PackResult::Failure("cannot open " + path + ": " + SystemError());
    std::string data;
    char buffer[65536];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        data.append(buffer, size_t(in.gcount()));
        if (data.size() > packaging::kMaxSourceBytes)
            return PackResult::Failure(path + ": too large (over " +
                                       std::to_string(packaging::kMaxSourceBytes) + " bytes)");
    }
    if (in.bad()) return PackResult::Failure("cannot read " + path + ": " + SystemError());
    content = std::move(data);
    return PackResult::Success();
}

PackResult WriteFileAtomically(const std::string& target, std::string_view content) {
    const std::string error = WriteWholeFile(target, content);
    return error.empty() ? PackResult::Success() : PackResult::Failure(error);
}

PackResult PackConfiguration(const ConfigurationHeader& header, const std::string& file1,
                             const std::string& file2, const std::string& file3, const std::string& target,
                             std::string_view key) {
    std::array<std::string, 3> files;
    const std::string* paths[3] = {&file1, &file2, &file3};
    for (size_t i = 0; i < 3; ++i)
        if (PackResult r = ReadWholeFile(*paths[i], files[i]); !r) return r;
    return WriteFileAtomically(target, PackConfigurationData(header, files, key));
}

PackResult PackConfiguration(const ConfCar& car, const std::string& file1, const std::string& file2,
                             const std::string& file3, const std::string& target) {
    return PackConfiguration(ConfigurationHeader::Of(car), file1, file2, file3, target);
}

PackResult UnpackConfiguration(const std::string& source, const std::string& file1, const std::string& file2,
                               const std::string& file3, ConfigurationHeaderText* header,
                               std::string_view key) {
    std::string data;
    if (PackResult r = ReadWholeFile(source, data); !r) return r;
    std::array<std::string, 3> files;
    if (PackResult r = UnpackConfigurationData(data, files, header, key); !r) return About(source, r);
    // The three files belong together: all new or all as they were.
    const std::string* paths[3] = {&file1, &file2, &file3};
    AtomicFileSet set;
    for (size_t i = 0; i < 3; ++i) set.Add(*paths[i]).Write(files[i]);
    return set.Commit() ? PackResult::Success() : PackResult::Failure(set.Error());
}

PackResult UnpackEcuFile(const std::string& source, const std::string& target, std::string_view key) {
    std::error_code ec;
    if (strcasecmp(source.c_str(), target.c_str()) == 0 || fs::equivalent(source, target, ec))
        return PackResult::Failure("source and target are the same file: " + source);
    std::string data;
    if (PackResult r = ReadWholeFile(source, data); !r) return r;
    std::string content;
    if (PackResult r = UnpackEcuData(data, content, key); !r) return About(source, r);
    return WriteFileAtomically(target, content);
}

// --- Temporary files and the load and save actions ------------------------------------------

PackResult SaveConfigurationFile(ConfigurationModel& model, const std::string& target) {
    TemporaryFile car, map, param;
    if (!car.Created() || !map.Created() || !param.Created())
        return PackResult::Failure("cannot create temporary files: " + SystemError());
    if (!model.WriteDefinitionFiles({car.Path(), map.Path(), param.Path()}))
        return PackResult::Failure("cannot write the definition files into the temporary folder");
    return PackConfiguration(model.Car(), car.Path(), map.Path(), param.Path(), target);
}

ConfigurationLoad LoadConfigurationFile(ConfigurationModel& model, const std::string& source,
                                        const ConfigurationModel::Progress& advance) {
    ConfigurationLoad load;
    TemporaryFile car, map, param;
    if (!car.Created() || !map.Created() || !param.Created()) {
        load.unpacked = PackResult::Failure("cannot create temporary files: " + SystemError());
        return load;
    }
    load.unpacked = UnpackConfiguration(source, car.Path(), map.Path(), param.Path());
    if (!load.unpacked) return load;
    load.outcome = model.ReadDefinitionFiles({car.Path(), map.Path(), param.Path()}, advance);
    return load;
}

}  // namespace zov
