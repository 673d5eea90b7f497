// Damaged data, end to end: the generated archive with one entry damaged at a time, played
// through the whole sequence by the built vhcapture with quick 'n' keys (the sanitizer
// build's, in the sanitizer run). No run may crash or draw a sanitizer report; each ends with
// status 0, or with status 1 and one error line where the file is one the demo cannot do
// without: a path file, or the archive itself when its directory no longer fits the file.
// A music entry's run records the sound (--audio), since music is read only where it is heard.
//
// Four damages: the entry truncated to half, truncated to 7 bytes, 16 bytes flipped (half of
// them in its first 64 bytes, where the headers are; seeded by the entry's place), and its
// size in the directory enlarged to reach the directory (the entry stored last already does,
// so there it claims one byte more, which the archive check refuses at start-up).
//
// CI plays a fixed sample: every entry once, the damages taken in turn down the directory,
// and the two path files with all four. VH_DAMAGE_MATRIX=full plays every entry with every
// damage (436 runs; by hand).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <random>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

#include "support/dirs.h"
#include "core/catalogue.h"
#include "shell/assetcheck.h"
#include "support/archive_bytes.h"
#include "support/gl_fixture.h"

namespace {

enum Damage { HALF, SEVEN, FLIPPED, ENLARGED, DAMAGE_COUNT };
const char* const damageNames[DAMAGE_COUNT] = {"half", "7 bytes", "flipped", "enlarged"};

struct Entry {
    std::string name;
    std::uint32_t size, offset, type;
    std::size_t record; // where its directory record starts in the archive
};

std::uint32_t get32(const Bytes& b, std::size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | (std::uint32_t)b[at + 3] << 24;
}

// The directory read straight from the bytes, so a fault of the engine's reader cannot hide here.
std::vector<Entry> directory(const Bytes& archive) {
    std::vector<Entry> entries;
    const std::uint32_t count = get32(archive, 8);
    std::size_t at = get32(archive, 16);
    for (std::uint32_t i = 0; i < count && at + 13 <= archive.size(); ++i) {
        Entry e{"", get32(archive, at), get32(archive, at + 4), get32(archive, at + 8), at};
        const std::size_t length = archive[at + 12];
        e.name.assign(archive.begin() + at + 13, archive.begin() + at + 13 + length);
        entries.push_back(e);
        at += 13 + length;
    }
    return entries;
}

Bytes damaged(const Bytes& archive, const std::vector<Entry>& entries, std::size_t which, Damage damage) {
    const Entry& target = entries[which];
    if (damage == ENLARGED) {
        Bytes out = archive;
        const std::uint32_t dirOffset = get32(archive, 16);
        const std::uint32_t reach = dirOffset - target.offset;
        Store32(out, target.record, reach > target.size ? reach : target.size + 1);
        return out;
    }
    std::vector<TestEntry> laid;
    for (const Entry& e : entries)
        laid.push_back({e.name, Bytes(archive.begin() + e.offset, archive.begin() + e.offset + e.size), e.type});
    Bytes& data = laid[which].data;
    if (damage == HALF) data.resize(data.size() / 2);
    if (damage == SEVEN && data.size() > 7) data.resize(7);
    if (damage == FLIPPED && !data.empty()) {
        std::mt19937 random((unsigned)which + 1);
        for (int i = 0; i < 16; ++i) {
            const std::size_t span = i < 8 ? std::min<std::size_t>(64, data.size()) : data.size();
            data[random() % span] ^= (std::uint8_t)(1 + random() % 255);
        }
    }
    return LayOut(laid);
}

bool isPathFile(const std::string& name) {
    return name == CAT_BEACH_PATHS || name == CAT_RIVER_PATH;
}

struct Play {
    std::size_t entry;
    Damage damage;
    std::string dir;
    int status = -1;
    std::string err;
    int tries = 0;
    bool listens = false; // the music is read only where someone hears it: a music entry's run records it
};

// 'n' every 0.2 s for 3 s at 20 frames a second: each intro is cut short, and each scene
// loads, updates and draws a few frames before it is closed.
const char* const captureArgs = "--quiet --size 64x48 --fps 20 --keys "
                                "0.2:n,0.4:n,0.6:n,0.8:n,1:n,1.2:n,1.4:n,1.6:n,1.8:n,2:n,2.2:n,2.4:n,2.6:n,2.8:n,3:n";

pid_t start(const Play& run) {
    const std::string cmd = "cd '" + run.dir + "' && exec '" + std::string(VH_BIN_DIR) + "/vhcapture' " + captureArgs +
                            (run.listens ? " --audio sound.wav" : "") + " >/dev/null 2>'" + run.dir + "/err'";
    const pid_t pid = fork();
    if (pid == 0) {
        execl("/bin/sh", "sh", "-c", cmd.c_str(), (char*)nullptr);
        _exit(127);
    }
    return pid;
}

// Plays every run, two at a time (the machine has two cores). A busy virtual X server now
// and then refuses a new client; such a run is played again, up to three times in all.
void playAll(std::vector<Play>& runs) {
    std::map<pid_t, Play*> running;
    std::vector<Play*> waiting;
    for (Play& run : runs)
        waiting.push_back(&run);
    std::reverse(waiting.begin(), waiting.end());
    while (!waiting.empty() || !running.empty()) {
        while (!waiting.empty() && running.size() < 2) {
            Play* run = waiting.back();
            waiting.pop_back();
            ++run->tries;
            const pid_t pid = start(*run);
            ASSERT_GT(pid, 0);
            running[pid] = run;
        }
        int raw = 0;
        const pid_t done = waitpid(-1, &raw, 0);
        ASSERT_GT(done, 0);
        auto it = running.find(done);
        if (it == running.end()) continue;
        Play& run = *it->second;
        run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
        const Bytes err = ReadFile(run.dir + "/err");
        run.err.assign(err.begin(), err.end());
        running.erase(it);
        if (run.status == 1 && run.err.find("failed to open display") != std::string::npos && run.tries < 3) {
            usleep(200000);
            waiting.push_back(&run);
            continue;
        }
        std::error_code ignored;
        std::filesystem::remove(run.dir + "/" + CAT_ARCHIVE, ignored);
    }
}

std::vector<std::string> errorLines(const std::string& err) {
    std::vector<std::string> lines;
    std::istringstream in(err);
    for (std::string line; std::getline(in, line);)
        if (line.rfind("error: ", 0) == 0) lines.push_back(line);
    return lines;
}

class DamagedArchive : public ::testing::TestWithParam<int> {};

TEST_P(DamagedArchive, EveryEntryDamagedInTurnPlaysToTheEndOrStopsOnAFileItCannotDoWithout) {
    const Damage damage = (Damage)GetParam();
    const std::string run = VH_RUN_DIR;
    const Bytes archive = ReadFile(run + "/" + std::string(CAT_ARCHIVE));
    const std::vector<Entry> entries = directory(archive);
    ASSERT_GT(entries.size(), 50u) << "the build makes the demo data in " << run;
    const char* matrix = std::getenv("VH_DAMAGE_MATRIX");
    const bool full = matrix && std::strcmp(matrix, "full") == 0;

    const std::string root = VH_TestTempDir();
    std::vector<Play> runs;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (!full && !isPathFile(entries[i].name) && i % DAMAGE_COUNT != (std::size_t)damage) continue;
        Play r{i, damage, root + "/" + std::to_string(i), -1, ""};
        r.listens = VH_AssetKindOf(entries[i].name.c_str()) == VH_ASSET_MUSIC;
        std::filesystem::create_directories(r.dir);
        ASSERT_TRUE(WriteFile(r.dir + "/" + std::string(CAT_ARCHIVE), damaged(archive, entries, i, damage)));
        std::filesystem::copy_file(run + "/credits.txt", r.dir + "/credits.txt");
        runs.push_back(r);
    }
    playAll(runs);

    int played = 0, pathStops = 0, archiveStops = 0;
    for (const Play& r : runs) {
        const Entry& e = entries[r.entry];
        SCOPED_TRACE(e.name + ", " + damageNames[damage]);
        EXPECT_EQ(r.err.find("Sanitizer"), std::string::npos) << r.err;
        EXPECT_EQ(r.err.find("runtime error"), std::string::npos) << r.err;
        const std::vector<std::string> errors = errorLines(r.err);
        if (r.status == 0) {
            EXPECT_TRUE(errors.empty()) << r.err;
            ++played;
            // A path file cut short cannot be flown.
            EXPECT_FALSE(isPathFile(e.name) && (damage == HALF || damage == SEVEN)) << "played on: " << r.err;
            continue;
        }
        ASSERT_EQ(r.status, 1) << r.err;
        ASSERT_EQ(errors.size(), 1u) << r.err;
        if (errors[0].rfind(std::string("error: ") + CAT_ARCHIVE + ": ", 0) == 0) {
            // Only a directory that claims bytes past itself makes the whole archive unusable.
            EXPECT_TRUE(damage == ENLARGED && e.offset + e.size == get32(archive, 16)) << r.err;
            ++archiveStops;
        } else {
            EXPECT_TRUE(isPathFile(e.name)) << r.err;
            EXPECT_EQ(errors[0].rfind("error: " + e.name + ": ", 0), 0u) << r.err;
            ++pathStops;
        }
    }
    // A damage that reached the engine leaves its mark: cut to 7 bytes, every entry the
    // sequence reads is refused with a line naming it (a warning, or the path file's error).
    if (damage == SEVEN) {
        for (const Play& r : runs) {
            if (entries[r.entry].size <= 7) continue;
            EXPECT_NE(r.err.find(entries[r.entry].name + ": "), std::string::npos)
                << entries[r.entry].name << " cut to 7 bytes went unnoticed:\n"
                << r.err;
        }
    }
    std::printf("damage %s: %zu runs: %d played to the end, %d stopped on their path file, %d on the archive\n",
                damageNames[damage], runs.size(), played, pathStops, archiveStops);
    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);
}

std::string damageTestName(const ::testing::TestParamInfo<int>& info) {
    const char* const names[DAMAGE_COUNT] = {"Half", "SevenBytes", "Flipped", "Enlarged"};
    return names[info.param];
}
INSTANTIATE_TEST_SUITE_P(EachDamage, DamagedArchive, ::testing::Range(0, (int)DAMAGE_COUNT), damageTestName);

} // namespace
