#include "knowledge/NoteFolderReader.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <string>
#include <vector>

#include <gmock/gmock.h>

#include "support/TempDir.h"

namespace qm::test {
namespace {

namespace fs = std::filesystem;
using ::testing::UnorderedElementsAre;

void write(const fs::path& file, const std::string& text)
{
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << text;
}

std::vector<IndexedNote> readAll(NoteFolderReader& reader)
{
    std::vector<IndexedNote> notes;
    while (auto note = reader.next()) {
        notes.push_back(std::move(*note));
    }
    return notes;
}

std::vector<std::string> sourcesAndTitles(const std::vector<IndexedNote>& notes)
{
    std::vector<std::string> result;
    for (const auto& note : notes) {
        result.push_back(note.source + "/" + note.title);
    }
    return result;
}

TEST(NoteFolderReaderTest, FoldersComeInListOrderAndANestedOneTwice)
{
    TempDir dir;
    write(dir / "outer" / "top.md", "# Top\n\n**first**");
    write(dir / "outer" / "inner" / "deep.txt", "deep_note");
    write(dir / "second" / "last.org", "last");

    NoteFolderReader reader({(dir / "second").string(), (dir / "outer").string(), (dir / "missing").string(),
                             (dir / "outer" / "inner").string()},
                            1024);
    const auto notes = readAll(reader);

    const auto names = sourcesAndTitles(notes);
    ASSERT_EQ(names.size(), 4u);
    EXPECT_EQ(names[0], "second/last");
    EXPECT_THAT((std::vector<std::string>{names[1], names[2]}),
                UnorderedElementsAre("outer/top", "outer/deep"));
    EXPECT_EQ(names[3], "inner/deep");
    EXPECT_EQ(notes[1].title == "top" ? notes[1].content : notes[2].content, "Top first");
    EXPECT_EQ(notes[3].content, "deepnote");
    EXPECT_EQ(notes[3].path, (dir / "outer" / "inner" / "deep.txt").string());
    // Over: it stays over.
    EXPECT_FALSE(reader.next().has_value());
}

// A rebuild that gives up before taking every note must not wait for a walk
// that is blocked on the notes nobody will take.
TEST(NoteFolderReaderTest, LettingGoBeforeTheEndStopsTheWalk)
{
    TempDir dir;
    // More than the reader holds ahead, so that the walk does block.
    const std::string text(512 * 1024, 'a');
    for (int i = 0; i < 40; ++i) {
        write(dir / "vault" / ("note " + std::to_string(i) + ".md"), text);
    }
    auto released = std::async(std::launch::async, [&] {
        NoteFolderReader reader({(dir / "vault").string()}, text.size());
        EXPECT_TRUE(reader.next().has_value());
    });
    EXPECT_EQ(released.wait_for(std::chrono::seconds(20)), std::future_status::ready);
}

// The reader holds a bounded number of bytes ahead; notes larger than that
// bound still come, each whole, and the walk goes on past them.
TEST(NoteFolderReaderTest, NotesLargerThanWhatIsHeldAheadAllCome)
{
    TempDir dir;
    const std::string large(12 * 1024 * 1024, 'b');
    write(dir / "vault" / "a" / "first.md", large);
    write(dir / "vault" / "b" / "second.md", large);
    write(dir / "vault" / "c" / "small.md", "small");
    NoteFolderReader reader(
        {(dir / "vault" / "a").string(), (dir / "vault" / "b").string(), (dir / "vault" / "c").string()},
        16 * 1024 * 1024);
    std::vector<std::string> names;
    std::vector<std::size_t> sizes;
    for (const auto& note : readAll(reader)) {
        names.push_back(note.title);
        sizes.push_back(note.content.size());
    }
    EXPECT_EQ(names, (std::vector<std::string>{"first", "second", "small"}));
    EXPECT_EQ(sizes, (std::vector<std::size_t>{large.size(), large.size(), 5u}));
}

}  // namespace
}  // namespace qm::test
