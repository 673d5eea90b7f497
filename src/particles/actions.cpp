// actions: the builders that pack each action's record and the executors that run it.
//
// Records travel through lists as raw bytes: a builder fills a typed record and sends it; an
// executor copies the bytes back into its typed record (and the two stateful ones, shockwave
// and return-home, copy their advanced field back), so no byte buffer is read through a
// pointer of another type. The copy is a few hundred bytes per action, not per particle.
#include "particles/actions.h"

#include <cmath>
#include <cstring>

namespace {

const float unboundedSqr = 1.0e16f;
const float invSqrtTwoPi = 0.3989422804014327f;

static_assert(sizeof(PART_EmitRec) <= PART_ACTION_BYTES, "the largest record must fit a list entry");
static_assert(sizeof(PART_BlowerRec) <= PART_ACTION_BYTES && sizeof(PART_SteerClearRec) <= PART_ACTION_BYTES &&
                  sizeof(PART_ReboundRec) <= PART_ACTION_BYTES && sizeof(PART_CullRec) <= PART_ACTION_BYTES,
              "every record must fit a list entry");

template <typename R> void send(R& record, int type) {
    PART_SendAction(&record, type, (int)sizeof record);
}

template <typename R> R load(const void* bytes) {
    R r;
    std::memcpy(&r, bytes, sizeof r);
    return r;
}

// ---------------------------------------------------------------------------------------------
// helpers
// ---------------------------------------------------------------------------------------------

float length(const VECTOR& a) {
    return std::sqrt(PART_Length2(a));
}

// Unit axis, or zero when there is no axis to normalise; the executors skip a zero axis.
VECTOR unitAxis(float ax, float ay, float az) {
    const float len = std::sqrt(ax * ax + ay * ay + az * az);
    return len > 0.0f ? VECTOR(ax / len, ay / len, az / len) : VECTOR(0, 0, 0);
}

bool isZero(const VECTOR& a) {
    return a.x == 0.0f && a.y == 0.0f && a.z == 0.0f;
}

// Squared maximum radius; true when it is large enough to mean "every particle".
bool unbounded(float maxRadius, float* maxSqr) {
    *maxSqr = maxRadius * maxRadius;
    return *maxSqr >= unboundedSqr;
}

// Removes (last particle into the hole) every particle whose test equals kill, walking down
// so a particle moved into a freed slot has already been tested.
template <typename Test> void removeWhere(PART_Group* g, Test test) {
    for (int i = g->count - 1; i >= 0; --i)
        if (test(g->particles[i])) g->particles[i] = g->particles[--g->count];
}

// Collision response: the normal part scaled by resilience, the tangential part slowed by
// friction unless it is already slower than the cutoff.
void bounce(VECTOR* velocity, const VECTOR& n, const PART_ReboundRec& r) {
    const VECTOR vn = PART_Scale(n, PART_Dot(n, *velocity));
    const VECTOR vt = PART_Sub(*velocity, vn);
    if (PART_Length2(vt) > r.cutoffSqr)
        *velocity = PART_Sub(PART_Scale(vt, r.oneMinusFriction), PART_Scale(vn, r.resilience));
    else
        *velocity = PART_Sub(vt, PART_Scale(vn, r.resilience));
}

// Turns the velocity towards e with strength k and keeps its speed. A particle exactly on the
// obstacle's surface with no softening epsilon gets an infinite k: it is skipped, not made NaN.
void steer(VECTOR* velocity, const VECTOR& e, float k) {
    const float s = length(*velocity);
    if (s == 0.0f || !std::isfinite(k)) return;
    const VECTOR m = PART_Add(PART_Scale(e, k), PART_Scale(*velocity, 1.0f / s));
    const float ml = length(m);
    if (ml == 0.0f) return;
    *velocity = PART_Scale(m, s / ml);
}

// Coordinates of a point on a triangle or parallelogram along its edges u and v, from the
// inverse of the matrix with columns u, v and u x v; built once per call.
struct EdgeFrame {
    VECTOR rowS, rowT;
    bool valid;
};

EdgeFrame edgeFrame(const PART_Domain& d) {
    const VECTOR w = PART_Cross(d.u, d.v);
    const VECTOR vw = PART_Cross(d.v, w), wu = PART_Cross(w, d.u);
    const float det = PART_Dot(d.u, vw);
    if (det == 0.0f) return {VECTOR(), VECTOR(), false};
    return {PART_Scale(vw, 1.0f / det), PART_Scale(wu, 1.0f / det), true};
}

float planeOffset(const PART_Domain& d) {
    return d.type == PART_DOM_DISC ? d.radius1Sqr : d.radius1;
}

bool insideFlat(const PART_Domain& d, float s, float t) {
    if (d.type == PART_DOM_TRIANGLE) return s >= 0.0f && t >= 0.0f && s + t <= 1.0f;
    return s >= 0.0f && s <= 1.0f && t >= 0.0f && t <= 1.0f;
}

bool insideRing(const PART_Domain& d, const VECTOR& h) {
    const float h2 = PART_Length2(h);
    return d.radius2 * d.radius2 <= h2 && h2 <= d.radius1 * d.radius1;
}

// ---------------------------------------------------------------------------------------------
// executors
// ---------------------------------------------------------------------------------------------

void runRebound(const PART_ReboundRec& r, PART_Group* g, float dt) {
    const PART_Domain& d = r.domain;
    if (d.type == PART_DOM_SPHERE) {
        for (int i = 0; i < g->count; ++i) {
            PART_Particle& p = g->particles[i];
            if (!PART_DomainContains(d, PART_Add(p.position, PART_Scale(p.velocity, dt)))) continue;
            const VECTOR rel = PART_Sub(p.position, d.p1);
            const float len = length(rel);
            if (len == 0.0f) continue; // on the centre: no normal to bounce along
            const VECTOR n = PART_Scale(rel, 1.0f / len);
            if (!PART_DomainContains(d, p.position)) {
                bounce(&p.velocity, n, r);
            } else if (PART_Dot(n, p.velocity) < 0.0f) {
                const VECTOR vn = PART_Scale(n, PART_Dot(n, p.velocity));
                p.velocity = PART_Sub(PART_Sub(p.velocity, vn), vn);
            }
        }
        return;
    }
    if (d.type != PART_DOM_PLANE && d.type != PART_DOM_TRIANGLE && d.type != PART_DOM_PARALLELOGRAM &&
        d.type != PART_DOM_DISC)
        return;
    const VECTOR& n = d.p2;
    const float offset = planeOffset(d);
    const bool flat = d.type == PART_DOM_TRIANGLE || d.type == PART_DOM_PARALLELOGRAM;
    const EdgeFrame frame = flat ? edgeFrame(d) : EdgeFrame{VECTOR(), VECTOR(), true};
    if (!frame.valid) return;
    for (int i = 0; i < g->count; ++i) {
        PART_Particle& p = g->particles[i];
        const float distOld = PART_Dot(p.position, n) + offset;
        const float distNew = PART_Dot(PART_Add(p.position, PART_Scale(p.velocity, dt)), n) + offset;
        if (!(distOld * distNew < 0.0f)) continue;
        if (d.type != PART_DOM_PLANE) {
            const float t = -distOld / PART_Dot(n, p.velocity);
            const VECTOR h = PART_Sub(PART_Add(p.position, PART_Scale(p.velocity, t)), d.p1);
            if (flat ? !insideFlat(d, PART_Dot(frame.rowS, h), PART_Dot(frame.rowT, h)) : !insideRing(d, h)) continue;
        }
        bounce(&p.velocity, n, r);
    }
}

// Nearest edge line of a triangle or parallelogram, seen from h (relative to the corner).
VECTOR nearestEdge(const PART_Domain& d, const VECTOR& h) {
    const VECTOR uh = PART_Scale(d.u, d.radius1Sqr > 0.0f ? 1.0f / d.radius1Sqr : 0.0f);
    const VECTOR vh = PART_Scale(d.v, d.radius2Sqr > 0.0f ? 1.0f / d.radius2Sqr : 0.0f);
    auto toLine = [](const VECTOR& dir, const VECTOR& x) { return PART_Sub(PART_Scale(dir, PART_Dot(dir, x)), x); };
    const VECTOR e1 = toLine(uh, h), e2 = toLine(vh, h);
    if (d.type == PART_DOM_TRIANGLE) {
        const VECTOR vu = PART_Sub(d.v, d.u);
        const float vuLen = length(vu);
        const VECTOR wh = PART_Scale(vu, vuLen > 0.0f ? 1.0f / vuLen : 0.0f);
        const VECTOR e3 = toLine(wh, PART_Sub(h, d.u));
        const float l1 = PART_Length2(e1), l2 = PART_Length2(e2), l3 = PART_Length2(e3);
        if (!(l2 < l1 || l3 < l1)) return e1;
        return l2 <= l3 ? e2 : e3;
    }
    const VECTOR opposite = PART_Sub(PART_Add(d.u, d.v), h);
    const VECTOR edges[4] = {e1, e2, toLine(uh, opposite), toLine(vh, opposite)};
    int best = 0;
    for (int k = 1; k < 4; ++k)
        if (PART_Length2(edges[k]) < PART_Length2(edges[best])) best = k;
    return edges[best];
}

void runSteerClear(const PART_SteerClearRec& r, PART_Group* g, float dt) {
    const PART_Domain& d = r.domain;
    const float magdt = r.magnitude * dt;
    if (d.type == PART_DOM_PLANE) {
        const bool everyone = r.lookAhead >= unboundedSqr;
        for (int i = 0; i < g->count; ++i) {
            PART_Particle& p = g->particles[i];
            const float dist = PART_Dot(p.position, d.p2) + d.radius1;
            if (everyone || dist < r.lookAhead) steer(&p.velocity, d.p2, magdt / (dist * dist + r.epsilon));
        }
        return;
    }
    if (d.type == PART_DOM_SPHERE) {
        const float radiusSqr = d.radius1 * d.radius1;
        for (int i = 0; i < g->count; ++i) {
            PART_Particle& p = g->particles[i];
            const float s = length(p.velocity);
            if (s == 0.0f) continue; // at rest: no direction of travel to turn
            const VECTOR dir = PART_Scale(p.velocity, 1.0f / s);
            const VECTOR toCentre = PART_Sub(d.p1, p.position);
            const float b = PART_Dot(toCentre, dir);
            const float disc = b * b + radiusSqr - PART_Length2(toCentre);
            if (disc < 0.0f) continue;
            const float tHit = b - std::sqrt(disc);
            if (tHit < 0.0f || tHit > s * r.lookAhead) continue;
            const VECTOR across = PART_Cross(dir, toCentre);
            const float acrossLen = length(across);
            if (acrossLen == 0.0f) continue; // heading straight at the centre: no side to turn to
            const VECTOR c = PART_Scale(across, 1.0f / acrossLen);
            steer(&p.velocity, PART_Cross(dir, c), r.magnitude * dt / (tHit * tHit + r.epsilon));
        }
        return;
    }
    if (d.type != PART_DOM_TRIANGLE && d.type != PART_DOM_PARALLELOGRAM && d.type != PART_DOM_DISC) return;
    const bool flat = d.type != PART_DOM_DISC;
    const EdgeFrame frame = flat ? edgeFrame(d) : EdgeFrame{VECTOR(), VECTOR(), true};
    if (!frame.valid) return;
    const VECTOR& n = d.p2;
    const float offset = planeOffset(d);
    for (int i = 0; i < g->count; ++i) {
        PART_Particle& p = g->particles[i];
        const float distOld = PART_Dot(p.position, n) + offset;
        const VECTOR ahead = PART_Add(p.position, PART_Scale(p.velocity, dt * r.lookAhead));
        const float distNew = PART_Dot(ahead, n) + offset;
        if (!(distOld * distNew < 0.0f)) continue;
        const float t = -distOld / PART_Dot(n, p.velocity);
        const VECTOR h = PART_Sub(PART_Add(p.position, PART_Scale(p.velocity, t)), d.p1);
        VECTOR e;
        if (flat) {
            if (!insideFlat(d, PART_Dot(frame.rowS, h), PART_Dot(frame.rowT, h))) continue;
            e = nearestEdge(d, h);
        } else {
            if (!insideRing(d, h)) continue;
            e = h;
        }
        const float eLen = length(e);
        if (eLen == 0.0f) continue; // on the edge or the centre itself: no way out to choose
        steer(&p.velocity, PART_Scale(e, 1.0f / eLen), magdt / (t * t + r.epsilon));
    }
}

void runDrag(const PART_DragRec& r, PART_Group* g, float dt) {
    const VECTOR f(1.0f - (1.0f - r.damping.x) * dt, 1.0f - (1.0f - r.damping.y) * dt,
                   1.0f - (1.0f - r.damping.z) * dt);
    for (int i = 0; i < g->count; ++i) {
        VECTOR& v = g->particles[i].velocity;
        const float s2 = PART_Length2(v);
        if (s2 < r.lowSpeedSqr || s2 > r.highSpeedSqr) continue;
        v.x *= f.x, v.y *= f.y, v.z *= f.z;
    }
}

void runShockwave(PART_ShockwaveRec* r, PART_Group* g, float dt) {
    const float ring = r->speed * r->age;
    const float magdt = r->magnitude * dt;
    if (r->sigma != 0.0f) { // a zero width has no density to push with
        const float q = 1.0f / r->sigma;
        for (int i = 0; i < g->count; ++i) {
            PART_Particle& p = g->particles[i];
            const VECTOR d = PART_Sub(p.position, r->centre);
            const float dist2 = PART_Length2(d);
            if (dist2 == 0.0f) continue; // on the centre: no outward direction
            const float dist = std::sqrt(dist2);
            const float gap = ring - dist;
            const float density = std::exp(-gap * gap * q * q * 0.5f) * q * invSqrtTwoPi;
            const float t = density * magdt / ((dist2 + r->epsilon) * dist);
            p.velocity = PART_Add(p.velocity, PART_Scale(d, t));
        }
    }
    r->age += dt;
}

// Chain and mutual attraction share their pull.
bool pull(const VECTOR& d, float maxSqr, bool everyone, float magdt, float epsilon, float* t) {
    const float r2 = PART_Length2(d);
    if (r2 == 0.0f || (!everyone && !(r2 < maxSqr))) return false; // coincident: no direction
    *t = magdt / (std::sqrt(r2) * (r2 + epsilon));
    return true;
}

void runChainAttract(const PART_PairRec& r, PART_Group* g, float dt) {
    float maxSqr, t;
    const bool everyone = unbounded(r.maxRadius, &maxSqr);
    const float magdt = r.magnitude * dt;
    PART_Particle* p = g->particles;
    for (int i = 0; i + 1 < g->count; ++i) {
        const VECTOR d = PART_Sub(p[i + 1].position, p[i].position);
        if (pull(d, maxSqr, everyone, magdt, r.epsilon, &t)) p[i].velocity = PART_Add(p[i].velocity, PART_Scale(d, t));
    }
}

void runMutualAttract(const PART_PairRec& r, PART_Group* g, float dt) {
    float maxSqr, t;
    const bool everyone = unbounded(r.maxRadius, &maxSqr);
    const float magdt = r.magnitude * dt;
    PART_Particle* p = g->particles;
    for (int i = 0; i < g->count; ++i)
        for (int j = i + 1; j < g->count; ++j) {
            const VECTOR d = PART_Sub(p[j].position, p[i].position);
            if (!pull(d, maxSqr, everyone, magdt, r.epsilon, &t)) continue;
            const VECTOR dv = PART_Scale(d, t);
            p[i].velocity = PART_Add(p[i].velocity, dv);
            p[j].velocity = PART_Sub(p[j].velocity, dv);
        }
}

void runShareVelocity(const PART_PairRec& r, PART_Group* g, float dt) {
    float maxSqr;
    const bool everyone = unbounded(r.maxRadius, &maxSqr);
    const float magdt = r.magnitude * dt;
    PART_Particle* p = g->particles;
    for (int i = 0; i < g->count; ++i)
        for (int j = i + 1; j < g->count; ++j) {
            const float r2 = PART_Length2(PART_Sub(p[j].position, p[i].position));
            if (!everyone && !(r2 < maxSqr)) continue;
            if (r2 + r.epsilon == 0.0f) continue;
            const VECTOR a = PART_Scale(p[j].velocity, magdt / (r2 + r.epsilon));
            p[i].velocity = PART_Add(p[i].velocity, a);
            p[j].velocity = PART_Sub(p[j].velocity, a);
        }
}

void runLineAttract(const PART_AxisRec& r, PART_Group* g, float dt) {
    if (isZero(r.axis)) return;
    float maxSqr;
    const bool everyone = unbounded(r.maxRadius, &maxSqr);
    const float magdt = r.magnitude * dt;
    for (int i = 0; i < g->count; ++i) {
        PART_Particle& p = g->particles[i];
        const VECTOR d = PART_Sub(p.position, r.point);
        const VECTOR w = PART_Sub(PART_Scale(r.axis, PART_Dot(d, r.axis)), d);
        const float r2 = PART_Length2(w);
        if (r2 == 0.0f || (!everyone && !(r2 < maxSqr))) continue; // on the axis: no direction
        p.velocity = PART_Add(p.velocity, PART_Scale(w, magdt / (std::sqrt(r2) + r2 + r.epsilon)));
    }
}

void runPointAttract(const PART_PointAttractRec& r, PART_Group* g, float dt) {
    float maxSqr;
    const bool everyone = unbounded(r.maxRadius, &maxSqr);
    const float magdt = r.magnitude * dt;
    for (int i = 0; i < g->count; ++i) {
        PART_Particle& p = g->particles[i];
        const VECTOR d = PART_Sub(r.centre, p.position);
        const float r2 = PART_Length2(d);
        if (r2 == 0.0f || (!everyone && !(r2 < maxSqr))) continue; // on the centre: no direction
        p.velocity = PART_Add(p.velocity, PART_Scale(d, magdt / (std::sqrt(r2) + r2 + r.epsilon)));
    }
}

void runBlower(const PART_BlowerRec& r, PART_Group* g, float dt) {
    float maxSqr;
    const bool everyone = unbounded(r.maxRadius, &maxSqr);
    const float magdt = r.magnitude * dt;
    for (int i = 0; i < g->count; ++i) {
        PART_Particle& p = g->particles[i];
        const float r2 = PART_Length2(PART_Sub(p.position, r.centre));
        if (!everyone && !(r2 < maxSqr)) continue;
        const VECTOR a = PART_DomainPoint(r.acceleration);
        if (r2 + r.epsilon == 0.0f) continue; // on the centre with no softening
        p.velocity = PART_Add(p.velocity, PART_Scale(a, magdt / (r2 + r.epsilon)));
    }
}

void runSwirl(const PART_AxisRec& r, PART_Group* g, float dt) {
    if (isZero(r.axis)) return;
    float maxSqr;
    const bool everyone = unbounded(r.maxRadius, &maxSqr);
    const float magdt = r.magnitude * dt;
    for (int i = 0; i < g->count; ++i) {
        PART_Particle& p = g->particles[i];
        const VECTOR d = PART_Sub(p.position, r.point);
        const float r2 = PART_Length2(d);
        if (r2 == 0.0f || (!everyone && !(r2 <= maxSqr))) continue; // on the centre: nothing to turn
        const float dist = std::sqrt(r2);
        const VECTOR n = PART_Scale(d, 1.0f / dist);
        const VECTOR along = PART_Scale(r.axis, PART_Dot(n, r.axis));
        const VECTOR w = PART_Sub(n, along);
        const float theta = magdt / (r2 + r.epsilon);
        const VECTOR turned = PART_Add(
            PART_Add(PART_Scale(w, std::cos(theta)), PART_Scale(PART_Cross(r.axis, w), std::sin(theta))), along);
        p.position = PART_Add(PART_Scale(turned, dist), r.point);
    }
}

void runReturnHome(PART_ReturnHomeRec* r, PART_Group* g, float dt) {
    const float T = r->timeLeft;
    if (T <= 0.0f) {
        for (int i = 0; i < g->count; ++i) {
            g->particles[i].position = g->particles[i].homePosition;
            g->particles[i].velocity = VECTOR(0, 0, 0);
        }
    } else {
        const float a = 2.0f * dt / (T * T);
        const float b = 3.0f * dt * dt / (T * T * T);
        for (int i = 0; i < g->count; ++i) {
            PART_Particle& p = g->particles[i];
            const VECTOR& home = p.homePosition;
            const VECTOR fromB =
                PART_Add(PART_Sub(PART_Scale(p.velocity, T), PART_Scale(home, 2.0f)), PART_Scale(p.position, 2.0f));
            const VECTOR fromA = PART_Sub(PART_Add(PART_Scale(p.velocity, -2.0f * T), PART_Scale(home, 3.0f)),
                                          PART_Scale(p.position, 3.0f));
            p.velocity = PART_Add(p.velocity, PART_Add(PART_Scale(fromB, b), PART_Scale(fromA, a)));
        }
    }
    r->timeLeft -= dt;
}

void runEmit(const PART_EmitRec& r, PART_Group* g, float dt) {
    const double wanted = (double)(r.particleRate * dt);
    double n = std::floor(wanted);
    const float u = PART_Uniform();
    if ((float)(wanted - n) > u) n += 1.0;
    // Clamped in double first: a huge rate must not overflow the count.
    const int room = g->maxParticles - g->count;
    const int emit = n > room ? room : (n > 0.0 ? (int)n : 0);
    for (int k = 0; k < emit; ++k) {
        PART_Particle p;
        p.position = PART_DomainPoint(r.position);
        p.homePosition = r.homeAtBirth ? p.position : PART_DomainPoint(r.home);
        p.size = PART_DomainPoint(r.size);
        p.velocity = PART_DomainPoint(r.velocity);
        p.colour = PART_DomainPoint(r.colour);
        p.age = r.birthAge + PART_NormalSample(r.birthAgeSpread);
        p.savedVelocity = p.velocity;
        p.alpha = r.alpha;
        if (g->count < g->maxParticles) g->particles[g->count++] = p;
    }
}

void runClampSpeed(const PART_ClampSpeedRec& r, PART_Group* g) {
    const float minSqr = r.minSpeed * r.minSpeed, maxSqr = r.maxSpeed * r.maxSpeed;
    for (int i = 0; i < g->count; ++i) {
        VECTOR& v = g->particles[i].velocity;
        const float s2 = PART_Length2(v);
        if (s2 < minSqr && s2 != 0.0f) {
            v = PART_Scale(v, r.minSpeed / std::sqrt(s2));
            continue;
        }
        if (s2 > maxSqr) v = PART_Scale(v, r.maxSpeed / std::sqrt(s2));
    }
}

// Executes a record already in its typed form; stateful records are advanced in place.
void execute(void* bytes, PART_Group* g, float dt, int type) {
    PART_Particle* p = g->particles;
    const int n = g->count;
    switch (type) {
    case PART_ACTION_STEER_CLEAR:
        runSteerClear(load<PART_SteerClearRec>(bytes), g, dt);
        break;
    case PART_ACTION_REBOUND:
        runRebound(load<PART_ReboundRec>(bytes), g, dt);
        break;
    case PART_ACTION_SNAPSHOT_HOME: {
        const PART_SnapshotRec r = load<PART_SnapshotRec>(bytes);
        if (r.copyPosition)
            for (int i = 0; i < n; ++i)
                p[i].homePosition = p[i].position;
        if (r.copyVelocity)
            for (int i = 0; i < n; ++i)
                p[i].savedVelocity = p[i].velocity;
        break;
    }
    case PART_ACTION_DRAG:
        runDrag(load<PART_DragRec>(bytes), g, dt);
        break;
    case PART_ACTION_SHOCKWAVE: {
        PART_ShockwaveRec r = load<PART_ShockwaveRec>(bytes);
        runShockwave(&r, g, dt);
        std::memcpy(bytes, &r, sizeof r);
        break;
    }
    case PART_ACTION_CHAIN_ATTRACT:
        runChainAttract(load<PART_PairRec>(bytes), g, dt);
        break;
    case PART_ACTION_MUTUAL_ATTRACT:
        runMutualAttract(load<PART_PairRec>(bytes), g, dt);
        break;
    case PART_ACTION_ACCELERATE: {
        const VECTOR a = PART_Scale(load<PART_AccelerateRec>(bytes).acceleration, dt);
        for (int i = 0; i < n; ++i)
            p[i].velocity = PART_Add(p[i].velocity, a);
        break;
    }
    case PART_ACTION_BLOWER:
        runBlower(load<PART_BlowerRec>(bytes), g, dt);
        break;
    case PART_ACTION_AGE_CULL: {
        const PART_AgeCullRec r = load<PART_AgeCullRec>(bytes);
        const bool younger = r.killYounger != 0;
        removeWhere(g, [&](const PART_Particle& q) { return (q.age < r.ageLimit) == younger; });
        break;
    }
    case PART_ACTION_SHARE_VELOCITY:
        runShareVelocity(load<PART_PairRec>(bytes), g, dt);
        break;
    case PART_ACTION_ADVANCE:
        for (int i = 0; i < n; ++i) {
            p[i].age += dt;
            p[i].position = PART_Add(p[i].position, PART_Scale(p[i].velocity, dt));
        }
        break;
    case PART_ACTION_LINE_ATTRACT:
        runLineAttract(load<PART_AxisRec>(bytes), g, dt);
        break;
    case PART_ACTION_POINT_ATTRACT:
        runPointAttract(load<PART_PointAttractRec>(bytes), g, dt);
        break;
    case PART_ACTION_JITTER_VELOCITY:
    case PART_ACTION_JITTER_POSITION:
    case PART_ACTION_REPLACE_VELOCITY: {
        const PART_DomainRec r = load<PART_DomainRec>(bytes);
        for (int i = 0; i < n; ++i) {
            const VECTOR drawn = PART_DomainPoint(r.domain);
            if (type == PART_ACTION_JITTER_VELOCITY)
                p[i].velocity = PART_Add(p[i].velocity, PART_Scale(drawn, dt));
            else if (type == PART_ACTION_JITTER_POSITION)
                p[i].position = PART_Add(p[i].position, PART_Scale(drawn, dt));
            else
                p[i].velocity = drawn;
        }
        break;
    }
    case PART_ACTION_RETURN_HOME: {
        PART_ReturnHomeRec r = load<PART_ReturnHomeRec>(bytes);
        runReturnHome(&r, g, dt);
        std::memcpy(bytes, &r, sizeof r);
        break;
    }
    case PART_ACTION_CULL_BY_POSITION:
    case PART_ACTION_CULL_BY_VELOCITY: {
        const PART_CullRec r = load<PART_CullRec>(bytes);
        const bool inside = r.killInside != 0, byPosition = type == PART_ACTION_CULL_BY_POSITION;
        removeWhere(g, [&](const PART_Particle& q) {
            return PART_DomainContains(r.domain, byPosition ? q.position : q.velocity) == inside;
        });
        break;
    }
    case PART_ACTION_EMIT:
        runEmit(load<PART_EmitRec>(bytes), g, dt);
        break;
    case PART_ACTION_CLAMP_SPEED:
        runClampSpeed(load<PART_ClampSpeedRec>(bytes), g);
        break;
    case PART_ACTION_FADE_COLOUR: {
        const PART_FadeColourRec r = load<PART_FadeColourRec>(bytes);
        const float k = r.scale * dt;
        for (int i = 0; i < n; ++i) {
            p[i].colour = PART_Add(p[i].colour, PART_Scale(PART_Sub(r.colour, p[i].colour), k));
            p[i].alpha += (r.alpha - p[i].alpha) * k;
        }
        break;
    }
    case PART_ACTION_GROW_SIZE: {
        const PART_GrowSizeRec r = load<PART_GrowSizeRec>(bytes);
        const VECTOR k = PART_Scale(r.scale, dt);
        for (int i = 0; i < n; ++i) {
            VECTOR& s = p[i].size;
            s = VECTOR(s.x + (r.size.x - s.x) * k.x, s.y + (r.size.y - s.y) * k.y, s.z + (r.size.z - s.z) * k.z);
        }
        break;
    }
    case PART_ACTION_STEER_VELOCITY: {
        const PART_SteerVelocityRec r = load<PART_SteerVelocityRec>(bytes);
        const float k = r.scale * dt;
        for (int i = 0; i < n; ++i)
            p[i].velocity = PART_Add(p[i].velocity, PART_Scale(PART_Sub(r.velocity, p[i].velocity), k));
        break;
    }
    case PART_ACTION_SWIRL:
        runSwirl(load<PART_AxisRec>(bytes), g, dt);
        break;
    default:
        break;
    }
}

} // namespace

// ---------------------------------------------------------------------------------------------
// builders
// ---------------------------------------------------------------------------------------------

void PART_SteerClear(float magnitude, float epsilon, float lookAhead, int type, float a0, float a1, float a2, float a3,
                     float a4, float a5, float a6, float a7, float a8) {
    PART_SteerClearRec r = {0, PART_MakeDomain(type, a0, a1, a2, a3, a4, a5, a6, a7, a8), lookAhead, magnitude,
                            epsilon};
    send(r, PART_ACTION_STEER_CLEAR);
}

void PART_Rebound(float friction, float resilience, float cutoff, int type, float a0, float a1, float a2, float a3,
                  float a4, float a5, float a6, float a7, float a8) {
    PART_ReboundRec r = {0, PART_MakeDomain(type, a0, a1, a2, a3, a4, a5, a6, a7, a8), 1.0f - friction, resilience,
                         cutoff * cutoff};
    send(r, PART_ACTION_REBOUND);
}

void PART_SnapshotHome(Uint8 copyPosition, Uint8 copyVelocity) {
    PART_SnapshotRec r = {0, copyPosition, copyVelocity};
    send(r, PART_ACTION_SNAPSHOT_HOME);
}

void PART_Drag(float dx, float dy, float dz, float lowSpeed, float highSpeed) {
    PART_DragRec r = {0, VECTOR(dx, dy, dz), lowSpeed * lowSpeed, highSpeed * highSpeed};
    send(r, PART_ACTION_DRAG);
}

void PART_Shockwave(float cx, float cy, float cz, float speed, float magnitude, float sigma, float epsilon, float age) {
    PART_ShockwaveRec r = {0, VECTOR(cx, cy, cz), speed, magnitude, sigma, age, epsilon < 0.0f ? 0.001f : epsilon};
    send(r, PART_ACTION_SHOCKWAVE);
}

void PART_ChainAttract(float magnitude, float epsilon, float maxRadius) {
    PART_PairRec r = {0, magnitude, epsilon, maxRadius};
    send(r, PART_ACTION_CHAIN_ATTRACT);
}

void PART_MutualAttract(float magnitude, float epsilon, float maxRadius) {
    PART_PairRec r = {0, magnitude, epsilon, maxRadius};
    send(r, PART_ACTION_MUTUAL_ATTRACT);
}

void PART_Accelerate(float ax, float ay, float az) {
    PART_AccelerateRec r = {0, VECTOR(ax, ay, az)};
    send(r, PART_ACTION_ACCELERATE);
}

void PART_Blower(float cx, float cy, float cz, float magnitude, float epsilon, float maxRadius) {
    PART_BlowerRec r = {0, VECTOR(cx, cy, cz), PART_GetBirthSettings().velocityDomain, magnitude, epsilon, maxRadius};
    send(r, PART_ACTION_BLOWER);
}

void PART_AgeCull(float ageLimit, Uint8 killYounger) {
    PART_AgeCullRec r = {0, ageLimit, killYounger};
    send(r, PART_ACTION_AGE_CULL);
}

void PART_ShareVelocity(float magnitude, float epsilon, float maxRadius) {
    PART_PairRec r = {0, magnitude, epsilon, maxRadius};
    send(r, PART_ACTION_SHARE_VELOCITY);
}

void PART_Advance() {
    PART_AdvanceRec r = {0};
    send(r, PART_ACTION_ADVANCE);
}

void PART_LineAttract(float px, float py, float pz, float ax, float ay, float az, float magnitude, float epsilon,
                      float maxRadius) {
    PART_AxisRec r = {0, VECTOR(px, py, pz), unitAxis(ax, ay, az), magnitude, epsilon, maxRadius};
    send(r, PART_ACTION_LINE_ATTRACT);
}

void PART_PointAttract(float cx, float cy, float cz, float magnitude, float epsilon, float maxRadius) {
    PART_PointAttractRec r = {0, VECTOR(cx, cy, cz), magnitude, epsilon, maxRadius};
    send(r, PART_ACTION_POINT_ATTRACT);
}

void PART_JitterVelocity(int type, float a0, float a1, float a2, float a3, float a4, float a5, float a6, float a7,
                         float a8) {
    PART_DomainRec r = {0, PART_MakeDomain(type, a0, a1, a2, a3, a4, a5, a6, a7, a8)};
    send(r, PART_ACTION_JITTER_VELOCITY);
}

void PART_JitterPosition(int type, float a0, float a1, float a2, float a3, float a4, float a5, float a6, float a7,
                         float a8) {
    PART_DomainRec r = {0, PART_MakeDomain(type, a0, a1, a2, a3, a4, a5, a6, a7, a8)};
    send(r, PART_ACTION_JITTER_POSITION);
}

void PART_ReplaceVelocity(int type, float a0, float a1, float a2, float a3, float a4, float a5, float a6, float a7,
                          float a8) {
    PART_DomainRec r = {0, PART_MakeDomain(type, a0, a1, a2, a3, a4, a5, a6, a7, a8)};
    send(r, PART_ACTION_REPLACE_VELOCITY);
}

void PART_ReturnHome(float timeLeft) {
    PART_ReturnHomeRec r = {0, timeLeft};
    send(r, PART_ACTION_RETURN_HOME);
}

void PART_CullByPosition(Uint8 killInside, int type, float a0, float a1, float a2, float a3, float a4, float a5,
                         float a6, float a7, float a8) {
    PART_CullRec r = {0, killInside, PART_MakeDomain(type, a0, a1, a2, a3, a4, a5, a6, a7, a8)};
    send(r, PART_ACTION_CULL_BY_POSITION);
}

void PART_CullByVelocity(Uint8 killInside, int type, float a0, float a1, float a2, float a3, float a4, float a5,
                         float a6, float a7, float a8) {
    PART_CullRec r = {0, killInside, PART_MakeDomain(type, a0, a1, a2, a3, a4, a5, a6, a7, a8)};
    send(r, PART_ACTION_CULL_BY_VELOCITY);
}

void PART_EmitFrom(float particleRate, const PART_Domain& position) {
    const PART_BirthSettings& b = PART_GetBirthSettings();
    PART_EmitRec r = {0,       position,     b.homeDomain, b.sizeDomain,     b.velocityDomain, b.colourDomain,
                      b.alpha, particleRate, b.birthAge,   b.birthAgeSpread, b.homeAtBirth};
    send(r, PART_ACTION_EMIT);
}

void PART_Emit(float particleRate, int type, float a0, float a1, float a2, float a3, float a4, float a5, float a6,
               float a7, float a8) {
    PART_EmitFrom(particleRate, PART_MakeDomain(type, a0, a1, a2, a3, a4, a5, a6, a7, a8));
}

void PART_ClampSpeed(float minSpeed, float maxSpeed) {
    PART_ClampSpeedRec r = {0, minSpeed, maxSpeed};
    send(r, PART_ACTION_CLAMP_SPEED);
}

void PART_FadeColour(float r, float g, float b, float alpha, float scale) {
    PART_FadeColourRec rec = {0, VECTOR(r, g, b), alpha, scale};
    send(rec, PART_ACTION_FADE_COLOUR);
}

void PART_GrowSize(float sx, float sy, float sz, float scaleX, float scaleY, float scaleZ) {
    PART_GrowSizeRec r = {0, VECTOR(sx, sy, sz), VECTOR(scaleX, scaleY, scaleZ)};
    send(r, PART_ACTION_GROW_SIZE);
}

void PART_SteerVelocity(float vx, float vy, float vz, float scale) {
    PART_SteerVelocityRec r = {0, VECTOR(vx, vy, vz), scale};
    send(r, PART_ACTION_STEER_VELOCITY);
}

void PART_Swirl(float cx, float cy, float cz, float ax, float ay, float az, float magnitude, float epsilon,
                float maxRadius) {
    PART_AxisRec r = {0, VECTOR(cx, cy, cz), unitAxis(ax, ay, az), magnitude, epsilon, maxRadius};
    send(r, PART_ACTION_SWIRL);
}

bool PART_ExecuteAction(void* record, PART_Group* group) {
    Sint32 type;
    std::memcpy(&type, record, sizeof type);
    if (type < PART_ACTION_STEER_CLEAR || type > PART_ACTION_SWIRL || type == PART_ACTION_RUN_LIST) return false;
    // An empty group has nothing to act on, but an emitter fills it.
    if (group && (group->count > 0 || type == PART_ACTION_EMIT)) execute(record, group, PART_RunningTimeStep(), type);
    return true;
}
