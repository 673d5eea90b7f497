// fuzz_archive_write: a byte string as a run of changes to an archive that was opened from
// fuzzed bytes or created empty: add (names and data from the input, owned or lent), remove,
// load, unload, commit in place or elsewhere, close and reopen. Every answer is checked against
// a model of what the archive holds, and after each commit the file is read back through a
// second archive object and through the loaders' entry streams.
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <list>
#include <map>
#include <string>
#include <vector>

#include <dirent.h>
#include <strings.h>
#include <unistd.h>

#include "data/resfile.h"
#include "data/rwops.h"
#include "fuzz_input.h"

namespace {

using Data = std::vector<std::uint8_t>;

void Check(bool ok) {
    if (!ok) __builtin_trap();
}

struct Expected {
    std::string name;
    Data data;
    Uint32 type;
    int ref; // the slot LoadEntry last filled for it, or -1
};
using Model = std::vector<Expected>;

void RemoveFolder();

// One scratch folder per process, in memory when the system has one.
const std::string& Folder() {
    static const std::string& folder = *[] {
        char shm[] = "/dev/shm/fuzz_archive_write.XXXXXX";
        char tmp[] = "/tmp/fuzz_archive_write.XXXXXX";
        const char* made = mkdtemp(shm);
        if (!made) made = mkdtemp(tmp);
        if (made) std::atexit(RemoveFolder);
        return new std::string(made ? made : "/tmp"); // kept to the end, for RemoveFolder
    }();
    return folder;
}

void RemoveFolder() {
    rmdir(Folder().c_str()); // emptied after every input
}

// The first entry a lookup by name finds (names match in any case; an empty name never does).
int FindIn(const Model& model, const std::string& name) {
    if (name.empty() || name.find('\0') != std::string::npos) return -1;
    for (std::size_t i = 0; i < model.size(); ++i)
        if (!strcasecmp(model[i].name.c_str(), name.c_str())) return static_cast<int>(i);
    return -1;
}

// What a fresh archive object and the loaders' streams read from path.
void VerifyOnDisk(const std::string& path, const Model& model) {
    CResFile res;
    Check(res.Open(path.c_str(), "rb"));
    Check(res.EntryCount() == model.size() && res.StrayBytes() == 0);
    const RES_Entry* e = res.FirstEntry();
    for (std::size_t i = 0; i < model.size(); ++i, e = e->next) {
        const Expected& x = model[i];
        Check(e && x.name == e->name && e->size == x.data.size() && e->type == x.type);
        // A later entry whose name an earlier one shadows cannot be reached by name.
        if (FindIn(model, x.name) != static_cast<int>(i)) continue;
        void* data = nullptr;
        Check(res.LoadEntry(x.name.c_str(), &data) && data);
        Check(x.data.empty() || std::memcmp(data, x.data.data(), x.data.size()) == 0);
        res.UnloadEntry(x.name.c_str());
        VH_RWops* rw = RES_OpenEntryStreamFrom(path.c_str(), x.name.c_str());
        Check(rw != nullptr);
        Data read(x.data.size() + 1);
        const int got = rw->read(rw, read.data(), 1, static_cast<int>(read.size()));
        Check(got == static_cast<int>(x.data.size()) && std::equal(x.data.begin(), x.data.end(), read.begin()));
        rw->close(rw);
    }
    Check(e == nullptr);
}

// The object's own directory against the model.
void VerifyObject(const CResFile& res, const Model& model) {
    Check(res.EntryCount() == model.size());
    const RES_Entry* e = res.FirstEntry();
    for (const Expected& x : model) {
        Check(e && x.name == e->name && e->size == x.data.size() && e->type == x.type);
        e = e->next;
    }
    Check(e == nullptr);
}

std::string FuzzName(FuzzInput& in) {
    const unsigned n = in.U8();
    // Mostly short names; a few reach past the 255-byte limit. A C string ends at its NUL.
    return in.Text(n < 200 ? n % 24 : 240 + (n - 200)).c_str();
}

// Removes every file the run left; a temporary file of Commit must never be among them.
void Sweep() {
    DIR* dir = opendir(Folder().c_str());
    if (!dir) return;
    std::vector<std::string> names;
    while (dirent* d = readdir(dir))
        if (std::strcmp(d->d_name, ".") && std::strcmp(d->d_name, "..")) names.push_back(d->d_name);
    closedir(dir);
    for (const std::string& n : names) {
        Check(n.find(RES_TEMP_TAG) == std::string::npos);
        unlink((Folder() + "/" + n).c_str());
    }
}

void Run(FuzzInput& in) {
    const std::string paths[2] = {Folder() + "/a.clu", Folder() + "/b.clu"};
    std::map<std::string, Model> onDisk; // what each path holds after the last successful write
    std::list<Data> lent;                // data added without ownership stays alive to the end
    void* refs[4] = {};
    CResFile res;
    Model model;
    std::string path = paths[0];

    const Uint8 start = in.U8();
    if (start & 1) {
        const Data bytes = in.Bytes(in.U16() % 4096);
        std::FILE* f = std::fopen(path.c_str(), "wb");
        if (!f) return;
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
        static const char* const modes[] = {"rb", "r", "r+"};
        if (res.Open(path.c_str(), modes[(start >> 1) % 3])) {
            // The directory was checked against the file, so every entry lies inside these bytes.
            for (const RES_Entry* e = res.FirstEntry(); e; e = e->next) {
                Check(e->offset >= RES_HEADER_SIZE && e->offset + static_cast<std::size_t>(e->size) <= bytes.size());
                model.push_back(
                    {e->name, Data(bytes.begin() + e->offset, bytes.begin() + e->offset + e->size), e->type, -1});
            }
            onDisk[path] = model;
        }
    }
    if (!res.IsOpen()) Check(res.Open(path.c_str(), "w"));

    int commits = 0;
    for (int step = 0; step < 64 && !in.Empty(); ++step) {
        switch (in.U8() % 7) {
        case 0:
        case 1: { // add
            const std::string name = FuzzName(in);
            const Uint32 type = in.U8() % 3;
            const Uint8 how = in.U8();
            Data data = in.Bytes(in.U16() % 2048);
            const bool owned = how & 1;
            const bool expect = !RES_NameFault(name.c_str()) && FindIn(model, name) < 0;
            bool ok;
            if (owned) {
                void* copy = std::malloc(data.size() + 1);
                if (!copy) return;
                if (!data.empty()) std::memcpy(copy, data.data(), data.size());
                ok = res.AddEntry(name.c_str(), type, copy, static_cast<Uint32>(data.size()), true);
                if (!ok) std::free(copy);
            } else {
                lent.push_back(data);
                const void* block = lent.back().empty() && (how & 2) ? nullptr : lent.back().data();
                if (!block) data.clear();
                ok = res.AddEntry(name.c_str(), type, block, static_cast<Uint32>(data.size()), false);
            }
            Check(ok == expect);
            if (ok) model.push_back({name, data, type, -1});
            break;
        }
        case 2: { // remove, mostly a name that is there in another case
            std::string name = FuzzName(in);
            if (!model.empty() && (name.size() & 1)) {
                name = model[in.U8() % model.size()].name;
                for (char& c : name)
                    if (in.U8() & 1) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            }
            const int at = FindIn(model, name);
            Check(res.RemoveEntry(name.c_str()) == (at >= 0));
            if (at >= 0) {
                if (model[at].ref >= 0) Check(refs[model[at].ref] == nullptr);
                model.erase(model.begin() + at);
            }
            break;
        }
        case 3: { // load into a slot, then maybe unload
            if (model.empty()) break;
            const Uint8 pick = in.U8();
            const int at = FindIn(model, model[pick % model.size()].name);
            if (at < 0) {
                Check(!res.LoadEntry(model[pick % model.size()].name.c_str(), nullptr));
                break;
            }
            const int slot = (pick >> 4) % 4;
            Expected& x = model[at];
            Check(res.LoadEntry(x.name.c_str(), &refs[slot]) && refs[slot]);
            Check(x.data.empty() || std::memcmp(refs[slot], x.data.data(), x.data.size()) == 0);
            for (Expected& other : model)
                if (other.ref == slot) other.ref = -1;
            x.ref = slot;
            if (pick & 8 && res.UnloadEntry(x.name.c_str())) x.ref = -1;
            break;
        }
        case 4:
        case 5: { // commit in place or to the other path
            if (++commits > 6) break;
            const bool elsewhere = in.U8() & 1;
            const std::string target = elsewhere ? paths[path == paths[0] ? 1 : 0] : path;
            Check(res.Commit(elsewhere ? target.c_str() : nullptr));
            path = target;
            onDisk[path] = model;
            for (Expected& x : model)
                x.ref = -1;
            VerifyObject(res, model);
            VerifyOnDisk(path, model);
            break;
        }
        case 6: { // close and reopen what is on disk (or start afresh)
            res.Close();
            for (void*& r : refs)
                r = nullptr;
            const auto found = onDisk.find(path);
            Check(res.Open(path.c_str(), "r+") == (found != onDisk.end()));
            model = found != onDisk.end() ? found->second : Model();
            if (!res.IsOpen()) Check(res.Open(path.c_str(), "w"));
            VerifyObject(res, model);
            break;
        }
        }
    }
    VerifyObject(res, model);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput in(data, size);
    Run(in);
    Sweep();
    return 0;
}
