// papi: the global particle state, the group and list tables, and the action dispatch.
#include "particles/papi.h"

#include <cstring>
#include <new>
#include <vector>

#include "particles/actions.h"
#include "particles/render.h"

namespace {

const int firstTableSize = 16;
const int listFirstCapacity = 8;
const int listGrowth = 16;
// Lists may call lists; a list that reaches itself again would recurse until the stack runs out.
const int maxListNesting = 64;

PART_BirthSettings firstBirthSettings() {
    PART_BirthSettings b;
    b.sizeDomain = PART_MakeDomain(PART_DOM_POINT, 1, 1, 1);
    b.velocityDomain = PART_MakeDomain(PART_DOM_POINT, 0, 0, 0);
    b.homeDomain = PART_MakeDomain(PART_DOM_POINT, 0, 0, 0);
    b.colourDomain = PART_MakeDomain(PART_DOM_POINT, 1, 1, 1);
    b.alpha = 1.0f;
    b.birthAge = 0.0f;
    b.birthAgeSpread = 0.0f;
    b.homeAtBirth = 1;
    return b;
}

struct State {
    float timeStep = 1.0f;
    bool recording = false;
    int currentGroupIndex = -1;
    int currentListIndex = -1;
    PART_Group* currentGroup = nullptr;
    PART_BirthSettings birth = firstBirthSettings();
};

State state;
float runningTimeStep = 1.0f;
int listNesting = 0;
std::vector<PART_Group*> groups(firstTableSize, nullptr);
std::vector<PART_ActionEntry*> lists(firstTableSize, nullptr);

// The tables own what their slots point to. A process that ends while a scene holds groups
// (ESC, a fatal path file, a capture that stops mid-scene) gives them back with the tables
// instead of dropping the only pointers to them. Defined after the tables, so it runs first.
struct ReleaseAtExit {
    ~ReleaseAtExit() { PART_Reset(); }
} releaseAtExit;

struct ListHeader {
    Sint32 capacity;
    Sint32 used;
};

ListHeader header(const PART_ActionEntry* list) {
    ListHeader h;
    std::memcpy(&h, list->bytes, sizeof h);
    return h;
}

void setHeader(PART_ActionEntry* list, ListHeader h) {
    std::memcpy(list->bytes, &h, sizeof h);
}

PART_ActionEntry* newList(int capacity) {
    PART_ActionEntry* list = new PART_ActionEntry[capacity];
    setHeader(list, {capacity, 1});
    return list;
}

// First slot of a run of n empty slots; the table grows by n + 16 when none is left.
template <typename T> int findFreeRun(std::vector<T*>& table, int n) {
    for (;;) {
        int start = -1, length = 0;
        for (size_t i = 0; i < table.size(); ++i) {
            if (table[i]) {
                start = -1, length = 0;
                continue;
            }
            if (start < 0) start = (int)i;
            if (++length >= n) return start;
        }
        table.resize(table.size() + (size_t)(n > 0 ? n : 0) + 16, nullptr);
    }
}

template <typename T> T* lookUp(const std::vector<T*>& table, int handle) {
    return handle >= 0 && (size_t)handle < table.size() ? table[handle] : nullptr;
}

// first + count within the table, computed without overflow.
template <typename T> bool runFits(const std::vector<T*>& table, int first, int count) {
    return first >= 0 && (long long)first + count <= (long long)table.size();
}

void freeGroup(PART_Group* g) {
    delete[] g->particles;
    delete g;
}

void fillParticle(PART_Particle* p, const VECTOR& position) {
    const PART_BirthSettings& b = state.birth;
    p->position = position;
    p->homePosition = b.homeAtBirth ? position : PART_DomainPoint(b.homeDomain);
    p->size = PART_DomainPoint(b.sizeDomain);
    p->velocity = PART_DomainPoint(b.velocityDomain);
    p->savedVelocity = p->velocity;
    p->colour = PART_DomainPoint(b.colourDomain);
    p->alpha = b.alpha;
    p->age = b.birthAge;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// settings
// ---------------------------------------------------------------------------------------------

void PART_SetColour(float r, float g, float b, float alpha) {
    state.birth.colourDomain = PART_MakeDomain(PART_DOM_POINT, r, g, b);
    state.birth.alpha = alpha;
}

void PART_SetColourDomain(float alpha, int type, float a0, float a1, float a2, float a3, float a4, float a5, float a6,
                          float a7, float a8) {
    state.birth.colourDomain = PART_MakeDomain(type, a0, a1, a2, a3, a4, a5, a6, a7, a8);
    state.birth.alpha = alpha;
}

void PART_SetVelocity(float x, float y, float z) {
    state.birth.velocityDomain = PART_MakeDomain(PART_DOM_POINT, x, y, z);
}

void PART_SetVelocityDomain(int type, float a0, float a1, float a2, float a3, float a4, float a5, float a6, float a7,
                            float a8) {
    state.birth.velocityDomain = PART_MakeDomain(type, a0, a1, a2, a3, a4, a5, a6, a7, a8);
}

void PART_SetHome(float x, float y, float z) {
    state.birth.homeDomain = PART_MakeDomain(PART_DOM_POINT, x, y, z);
}

void PART_SetHomeDomain(int type, float a0, float a1, float a2, float a3, float a4, float a5, float a6, float a7,
                        float a8) {
    state.birth.homeDomain = PART_MakeDomain(type, a0, a1, a2, a3, a4, a5, a6, a7, a8);
}

void PART_SetHomeAtBirth(Uint8 flag) {
    state.birth.homeAtBirth = flag;
}

void PART_SetSize(float x, float y, float z) {
    state.birth.sizeDomain = PART_MakeDomain(PART_DOM_POINT, x, y, z);
}

void PART_SetSizeDomain(int type, float a0, float a1, float a2, float a3, float a4, float a5, float a6, float a7,
                        float a8) {
    state.birth.sizeDomain = PART_MakeDomain(type, a0, a1, a2, a3, a4, a5, a6, a7, a8);
}

void PART_SetBirthAge(float age, float sigma) {
    state.birth.birthAge = age;
    state.birth.birthAgeSpread = sigma;
}

void PART_SetTimeStep(float dt) {
    state.timeStep = dt;
}

const PART_BirthSettings& PART_GetBirthSettings() {
    return state.birth;
}

// ---------------------------------------------------------------------------------------------
// groups
// ---------------------------------------------------------------------------------------------

int PART_CreateGroups(int count, int maxParticles) {
    if (state.recording) return -1;
    if (maxParticles < 0) maxParticles = 0; // a negative size would reach the allocator as a huge one
    const int first = findFreeRun(groups, count);
    for (int i = 0; i < count; ++i) {
        PART_Group* g = new PART_Group;
        g->count = 0;
        g->maxParticles = g->allocated = maxParticles;
        g->particles = new PART_Particle[maxParticles > 0 ? maxParticles : 1];
        groups[first + i] = g;
    }
    PART_ReserveDrawing(maxParticles);
    return first;
}

void PART_FreeGroups(int first, int count) {
    if (!runFits(groups, first, count)) return;
    for (int i = first; i < first + count; ++i) {
        if (!groups[i]) break;
        if (groups[i] == state.currentGroup) {
            state.currentGroup = nullptr;
            state.currentGroupIndex = -1;
        }
        freeGroup(groups[i]);
        groups[i] = nullptr;
    }
}

void PART_SelectGroup(int handle) {
    if (state.recording) return;
    state.currentGroup = lookUp(groups, handle);
    state.currentGroupIndex = state.currentGroup ? handle : -1;
}

int PART_ResizeGroup(int max) {
    PART_Group* g = state.currentGroup;
    if (state.recording || !g || max < 0) return 0;
    if (g->allocated >= max) {
        g->maxParticles = max;
        if (g->count > max) g->count = max;
        return max;
    }
    PART_Particle* bigger = new (std::nothrow) PART_Particle[max];
    if (!bigger) {
        g->maxParticles = g->allocated;
        return g->allocated;
    }
    std::memcpy(bigger, g->particles, sizeof(PART_Particle) * g->count);
    delete[] g->particles;
    g->particles = bigger;
    g->maxParticles = g->allocated = max;
    return max;
}

void PART_AppendFromGroup(int sourceHandle, int first, int count) {
    PART_Group* src = lookUp(groups, sourceHandle);
    PART_Group* dst = state.currentGroup;
    // A negative first would read before the source's array.
    if (state.recording || !src || !dst || first < 0) return;
    long long n = count;
    if (n > (long long)src->count - first) n = (long long)src->count - first;
    if (n > (long long)dst->maxParticles - dst->count) n = (long long)dst->maxParticles - dst->count;
    if (n <= 0) return;
    // Source and target may be one group: the copy then lands past the slots it reads.
    std::memmove(dst->particles + dst->count, src->particles + first, sizeof(PART_Particle) * (size_t)n);
    dst->count += (int)n;
}

int PART_ReadParticles(int first, int count, float* positions, float* colours, float* velocities, float* sizes,
                       float* ages) {
    if (state.recording) return -1;
    const PART_Group* g = state.currentGroup;
    if (!g) return -2;
    if (first < 0 || count < 0) return -3;
    if (count == 0) return 0;
    int n = count;
    if ((long long)first + count > g->count) {
        if (g->count - first < 1) return -4;
        n = g->count - first;
    }
    for (int i = 0; i < n; ++i) {
        const PART_Particle& p = g->particles[first + i];
        if (positions) std::memcpy(positions + 3 * i, &p.position, 3 * sizeof(float));
        if (colours) {
            std::memcpy(colours + 4 * i, &p.colour, 3 * sizeof(float));
            colours[4 * i + 3] = p.alpha;
        }
        if (velocities) std::memcpy(velocities + 3 * i, &p.velocity, 3 * sizeof(float));
        if (sizes) std::memcpy(sizes + 3 * i, &p.size, 3 * sizeof(float));
        if (ages) ages[i] = p.age;
    }
    return n;
}

int PART_ParticleCount() {
    return state.recording || !state.currentGroup ? 0 : state.currentGroup->count;
}

int PART_CurrentGroupIndex() {
    return state.currentGroupIndex;
}

PART_Group* PART_CurrentGroup() {
    return state.currentGroup;
}

// ---------------------------------------------------------------------------------------------
// action lists
// ---------------------------------------------------------------------------------------------

int PART_CreateLists(int count) {
    if (state.recording) return -1;
    const int first = findFreeRun(lists, count);
    for (int i = 0; i < count; ++i)
        lists[first + i] = newList(listFirstCapacity);
    return first;
}

void PART_BeginList(int handle) {
    PART_ActionEntry* list = lookUp(lists, handle);
    if (state.recording || !list) return;
    state.currentListIndex = handle;
    state.recording = true;
    setHeader(list, {header(list).capacity, 1});
}

void PART_EndList() {
    if (!state.recording) return;
    state.recording = false;
    state.currentListIndex = -1;
}

void PART_FreeLists(int first, int count) {
    if (state.recording || !runFits(lists, first, count)) return;
    for (int i = first; i < first + count; ++i) {
        if (!lists[i]) break;
        delete[] lists[i];
        lists[i] = nullptr;
    }
}

void PART_RunList(int handle) {
    if (state.recording) {
        unsigned char record[8] = {};
        const Sint32 h = handle;
        std::memcpy(record + 4, &h, sizeof h);
        PART_SendAction(record, PART_ACTION_RUN_LIST, sizeof record);
        return;
    }
    PART_ActionEntry* list = lookUp(lists, handle);
    if (!list || !state.currentGroup || listNesting >= maxListNesting) return;
    runningTimeStep = state.timeStep;
    ++listNesting;
    PART_ExecuteActions(list + 1, header(list).used - 1, state.currentGroup);
    --listNesting;
}

bool PART_IsRecording() {
    return state.recording;
}

int PART_CurrentListIndex() {
    return state.currentListIndex;
}

int PART_ListLength(int handle) {
    const PART_ActionEntry* list = lookUp(lists, handle);
    return list ? header(list).used - 1 : -1;
}

const PART_ActionEntry* PART_ListActions(int handle) {
    const PART_ActionEntry* list = lookUp(lists, handle);
    return list ? list + 1 : nullptr;
}

int PART_ListCapacity(int handle) {
    const PART_ActionEntry* list = lookUp(lists, handle);
    return list ? header(list).capacity : -1;
}

// ---------------------------------------------------------------------------------------------
// adding particles and dispatching actions
// ---------------------------------------------------------------------------------------------

void PART_AddParticle(float x, float y, float z) {
    if (state.recording) {
        PART_EmitFrom(1.0f, PART_MakeDomain(PART_DOM_POINT, x, y, z));
        return;
    }
    PART_Group* g = state.currentGroup;
    if (!g || g->count >= g->maxParticles) return;
    fillParticle(&g->particles[g->count], VECTOR(x, y, z));
    ++g->count;
}

void PART_SendAction(void* action, int type, int size) {
    const Sint32 t = type;
    std::memcpy(action, &t, sizeof t);
    if (state.recording) {
        PART_RecordAction(action, size);
        return;
    }
    runningTimeStep = state.timeStep;
    if (state.currentGroup) PART_ExecuteAction(action, state.currentGroup);
}

void PART_RecordAction(const void* action, int size) {
    PART_ActionEntry* list = lookUp(lists, state.currentListIndex);
    if (!state.recording || !list || size < 0 || size > PART_ACTION_BYTES) return;
    ListHeader h = header(list);
    if (h.capacity <= h.used) {
        PART_ActionEntry* grown = new PART_ActionEntry[h.capacity + listGrowth];
        std::memcpy(grown, list, sizeof(PART_ActionEntry) * h.used);
        delete[] list;
        list = lists[state.currentListIndex] = grown;
        h.capacity += listGrowth;
    }
    std::memcpy(list[h.used].bytes, action, size);
    ++h.used;
    setHeader(list, h);
}

void PART_ExecuteActions(PART_ActionEntry* actions, int n, PART_Group* group) {
    if (!group || n <= 0) return;
    for (int i = 0; i < n; ++i) {
        Sint32 type;
        std::memcpy(&type, actions[i].bytes, sizeof type);
        if (type == PART_ACTION_RUN_LIST) {
            Sint32 handle;
            std::memcpy(&handle, actions[i].bytes + 4, sizeof handle);
            PART_RunList(handle);
        } else {
            PART_ExecuteAction(actions[i].bytes, group);
        }
    }
}

float PART_RunningTimeStep() {
    return runningTimeStep;
}

int PART_GroupTableSize() {
    return (int)groups.size();
}

int PART_ListTableSize() {
    return (int)lists.size();
}

void PART_Reset() {
    state.recording = false;
    for (PART_Group*& g : groups)
        if (g) freeGroup(g), g = nullptr;
    for (PART_ActionEntry*& l : lists)
        delete[] l, l = nullptr;
    groups.assign(firstTableSize, nullptr);
    lists.assign(firstTableSize, nullptr);
    state = State();
    runningTimeStep = 1.0f;
    listNesting = 0;
}
