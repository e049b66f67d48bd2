#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <string>

#include "ModelTestSupport.h"

namespace zov::testing {
namespace {

namespace fs = std::filesystem;

// Each model object's save, with a change that makes the next save differ from the last.
struct SaveCase {
    const char* name;
    bool (*save)(ModelBench& b, const std::string& path);
    void (*change)(ModelBench& b);
};

void PrintTo(const SaveCase& c, std::ostream* os) { *os << c.name; }

template <typename Model>
bool Save(Model& model, const std::string& path) {
    model.SetFileName(path);
    return model.WriteDefinitionFile();
}

class DefinitionSave : public ::testing::TestWithParam<SaveCase> {};

TEST_P(DefinitionSave, AFailedSaveKeepsThePreviousFileAndASuccessLeavesNoTemporary) {
    const SaveCase& c = GetParam();
    ModelBench b({}, false);
    ScratchDir dir;
    const std::string path = dir.File("definition");
    ASSERT_TRUE(c.save(b, path));
    const std::string previous = ReadFile(path);
    c.change(b);

    {
        // Room for only part of the file, as on a full disk.
        FileSizeLimit limit(previous.size() / 2);
        EXPECT_FALSE(c.save(b, path));
    }
    EXPECT_EQ(ReadFile(path), previous);
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"definition"}) << "no temporary stays";

    // What a save killed half-way left: its process is gone, so the next save clears it; the
    // temporary of a save still running is left alone.
    const std::string dead = path + ".tmp" + std::to_string(DeadPid()) + "_0";
    const std::string running = path + ".tmp" + std::to_string(getpid()) + "_999999";
    WriteFile(dead, previous);
    WriteFile(running, previous);
    EXPECT_TRUE(c.save(b, path));
    EXPECT_FALSE(fs::exists(dead));
    EXPECT_TRUE(fs::exists(running));
    fs::remove(running);
    EXPECT_NE(ReadFile(path), previous);
    // Nothing but the file itself stays in its folder.
    EXPECT_EQ(std::distance(fs::directory_iterator(fs::path(path).parent_path()), fs::directory_iterator()),
              1);
}

INSTANTIATE_TEST_SUITE_P(
    Models, DefinitionSave,
    ::testing::Values(SaveCase{"Car", [](ModelBench& b, const std::string& p) { return Save(b.car, p); },
                               [](ModelBench& b) { b.car.RITARDO_MASSIMO_CAMBIO = 17; }},
                      SaveCase{"Map", [](ModelBench& b, const std::string& p) { return Save(b.map, p); },
                               [](ModelBench& b) { b.map.SetCell(3, 4, 99, false); }},
                      SaveCase{"Param", [](ModelBench& b, const std::string& p) { return Save(b.param, p); },
                               [](ModelBench& b) { b.param.DEC[0] = 3; }}),
    [](const ::testing::TestParamInfo<SaveCase>& info) { return info.param.name; });

}  // namespace
}  // namespace zov::testing
