// tally: counts the GL calls and the program's own heap allocations of each frame (see tally.h).
#include "tally.h"

#include <GL/freeglut.h>
#include <GL/gl.h>
#include <GL/glu.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <time.h>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define VH_TALLY_ALLOCATIONS 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || __has_feature(memory_sanitizer)
#define VH_TALLY_ALLOCATIONS 0
#endif
#endif
#ifndef VH_TALLY_ALLOCATIONS
#define VH_TALLY_ALLOCATIONS 1
#endif

// clang-format off
// The GL functions the engine calls, and those the GLU and GLUT routines it calls use in turn:
// X(return type, name, (parameters), (arguments)).
#define VH_COUNTED_GL(X) \
    X(void, glAlphaFunc, (GLenum func, GLclampf ref), (func, ref)) \
    X(void, glBegin, (GLenum mode), (mode)) \
    X(void, glBindTexture, (GLenum target, GLuint texture), (target, texture)) \
    X(void, glBitmap, (GLsizei width, GLsizei height, GLfloat xorig, GLfloat yorig, GLfloat xmove, GLfloat ymove, const GLubyte *bitmap), (width, height, xorig, yorig, xmove, ymove, bitmap)) \
    X(void, glBlendFunc, (GLenum sfactor, GLenum dfactor), (sfactor, dfactor)) \
    X(void, glCallList, (GLuint list), (list)) \
    X(void, glClear, (GLbitfield mask), (mask)) \
    X(void, glClearColor, (GLclampf red, GLclampf green, GLclampf blue, GLclampf alpha), (red, green, blue, alpha)) \
    X(void, glColor3f, (GLfloat red, GLfloat green, GLfloat blue), (red, green, blue)) \
    X(void, glColor3ub, (GLubyte red, GLubyte green, GLubyte blue), (red, green, blue)) \
    X(void, glColor4f, (GLfloat red, GLfloat green, GLfloat blue, GLfloat alpha), (red, green, blue, alpha)) \
    X(void, glColor4fv, (const GLfloat *v), (v)) \
    X(void, glColor4ub, (GLubyte red, GLubyte green, GLubyte blue, GLubyte alpha), (red, green, blue, alpha)) \
    X(void, glColor4ubv, (const GLubyte *v), (v)) \
    X(void, glColorMaterial, (GLenum face, GLenum mode), (face, mode)) \
    X(void, glColorPointer, (GLint size, GLenum type, GLsizei stride, const GLvoid *ptr), (size, type, stride, ptr)) \
    X(void, glCullFace, (GLenum mode), (mode)) \
    X(void, glDeleteLists, (GLuint list, GLsizei range), (list, range)) \
    X(void, glDeleteTextures, (GLsizei n, const GLuint *textures), (n, textures)) \
    X(void, glDepthFunc, (GLenum func), (func)) \
    X(void, glDepthMask, (GLboolean flag), (flag)) \
    X(void, glDepthRange, (GLclampd near_val, GLclampd far_val), (near_val, far_val)) \
    X(void, glDisable, (GLenum cap), (cap)) \
    X(void, glDisableClientState, (GLenum cap), (cap)) \
    X(void, glDrawArrays, (GLenum mode, GLint first, GLsizei count), (mode, first, count)) \
    X(void, glDrawBuffer, (GLenum mode), (mode)) \
    X(void, glDrawElements, (GLenum mode, GLsizei count, GLenum type, const GLvoid *indices), (mode, count, type, indices)) \
    X(void, glEnable, (GLenum cap), (cap)) \
    X(void, glEnableClientState, (GLenum cap), (cap)) \
    X(void, glEnd, (void), ()) \
    X(void, glEndList, (void), ()) \
    X(void, glEvalCoord1f, (GLfloat u), (u)) \
    X(void, glEvalCoord2f, (GLfloat u, GLfloat v), (u, v)) \
    X(void, glEvalMesh1, (GLenum mode, GLint i1, GLint i2), (mode, i1, i2)) \
    X(void, glEvalMesh2, (GLenum mode, GLint i1, GLint i2, GLint j1, GLint j2), (mode, i1, i2, j1, j2)) \
    X(void, glEvalPoint1, (GLint i), (i)) \
    X(void, glEvalPoint2, (GLint i, GLint j), (i, j)) \
    X(void, glFinish, (void), ()) \
    X(void, glFlush, (void), ()) \
    X(void, glFogf, (GLenum pname, GLfloat param), (pname, param)) \
    X(void, glFogfv, (GLenum pname, const GLfloat *params), (pname, params)) \
    X(void, glFogi, (GLenum pname, GLint param), (pname, param)) \
    X(GLuint, glGenLists, (GLsizei range), (range)) \
    X(void, glGenTextures, (GLsizei n, GLuint *textures), (n, textures)) \
    X(void, glGetBooleanv, (GLenum pname, GLboolean *params), (pname, params)) \
    X(GLenum, glGetError, (void), ()) \
    X(void, glGetFloatv, (GLenum pname, GLfloat *params), (pname, params)) \
    X(void, glGetIntegerv, (GLenum pname, GLint *params), (pname, params)) \
    X(const GLubyte *, glGetString, (GLenum name), (name)) \
    X(void, glGetTexLevelParameteriv, (GLenum target, GLint level, GLenum pname, GLint *params), (target, level, pname, params)) \
    X(void, glHint, (GLenum target, GLenum mode), (target, mode)) \
    X(GLboolean, glIsEnabled, (GLenum cap), (cap)) \
    X(GLboolean, glIsList, (GLuint list), (list)) \
    X(GLboolean, glIsTexture, (GLuint texture), (texture)) \
    X(void, glLightf, (GLenum light, GLenum pname, GLfloat param), (light, pname, param)) \
    X(void, glLightfv, (GLenum light, GLenum pname, const GLfloat *params), (light, pname, params)) \
    X(void, glLoadIdentity, (void), ()) \
    X(void, glMap1f, (GLenum target, GLfloat u1, GLfloat u2, GLint stride, GLint order, const GLfloat *points), (target, u1, u2, stride, order, points)) \
    X(void, glMap2f, (GLenum target, GLfloat u1, GLfloat u2, GLint ustride, GLint uorder, GLfloat v1, GLfloat v2, GLint vstride, GLint vorder, const GLfloat *points), (target, u1, u2, ustride, uorder, v1, v2, vstride, vorder, points)) \
    X(void, glMapGrid1f, (GLint un, GLfloat u1, GLfloat u2), (un, u1, u2)) \
    X(void, glMapGrid2d, (GLint un, GLdouble u1, GLdouble u2, GLint vn, GLdouble v1, GLdouble v2), (un, u1, u2, vn, v1, v2)) \
    X(void, glMapGrid2f, (GLint un, GLfloat u1, GLfloat u2, GLint vn, GLfloat v1, GLfloat v2), (un, u1, u2, vn, v1, v2)) \
    X(void, glMaterialf, (GLenum face, GLenum pname, GLfloat param), (face, pname, param)) \
    X(void, glMaterialfv, (GLenum face, GLenum pname, const GLfloat *params), (face, pname, params)) \
    X(void, glMatrixMode, (GLenum mode), (mode)) \
    X(void, glMultMatrixd, (const GLdouble *m), (m)) \
    X(void, glMultMatrixf, (const GLfloat *m), (m)) \
    X(void, glNewList, (GLuint list, GLenum mode), (list, mode)) \
    X(void, glNormal3f, (GLfloat nx, GLfloat ny, GLfloat nz), (nx, ny, nz)) \
    X(void, glNormal3fv, (const GLfloat *v), (v)) \
    X(void, glNormalPointer, (GLenum type, GLsizei stride, const GLvoid *ptr), (type, stride, ptr)) \
    X(void, glOrtho, (GLdouble left, GLdouble right, GLdouble bottom, GLdouble top, GLdouble near_val, GLdouble far_val), (left, right, bottom, top, near_val, far_val)) \
    X(void, glPixelStorei, (GLenum pname, GLint param), (pname, param)) \
    X(void, glPointSize, (GLfloat size), (size)) \
    X(void, glPolygonMode, (GLenum face, GLenum mode), (face, mode)) \
    X(void, glPopAttrib, (void), ()) \
    X(void, glPopClientAttrib, (void), ()) \
    X(void, glPopMatrix, (void), ()) \
    X(void, glPushAttrib, (GLbitfield mask), (mask)) \
    X(void, glPushClientAttrib, (GLbitfield mask), (mask)) \
    X(void, glPushMatrix, (void), ()) \
    X(void, glRasterPos2i, (GLint x, GLint y), (x, y)) \
    X(void, glReadBuffer, (GLenum mode), (mode)) \
    X(void, glReadPixels, (GLint x, GLint y, GLsizei width, GLsizei height, GLenum format, GLenum type, GLvoid *pixels), (x, y, width, height, format, type, pixels)) \
    X(void, glRotatef, (GLfloat angle, GLfloat x, GLfloat y, GLfloat z), (angle, x, y, z)) \
    X(void, glScalef, (GLfloat x, GLfloat y, GLfloat z), (x, y, z)) \
    X(void, glShadeModel, (GLenum mode), (mode)) \
    X(void, glTexCoord2f, (GLfloat s, GLfloat t), (s, t)) \
    X(void, glTexCoordPointer, (GLint size, GLenum type, GLsizei stride, const GLvoid *ptr), (size, type, stride, ptr)) \
    X(void, glTexEnvf, (GLenum target, GLenum pname, GLfloat param), (target, pname, param)) \
    X(void, glTexImage1D, (GLenum target, GLint level, GLint internalFormat, GLsizei width, GLint border, GLenum format, GLenum type, const GLvoid *pixels), (target, level, internalFormat, width, border, format, type, pixels)) \
    X(void, glTexImage2D, (GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height, GLint border, GLenum format, GLenum type, const GLvoid *pixels), (target, level, internalFormat, width, height, border, format, type, pixels)) \
    X(void, glTexImage3D, (GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height, GLsizei depth, GLint border, GLenum format, GLenum type, const GLvoid *pixels), (target, level, internalFormat, width, height, depth, border, format, type, pixels)) \
    X(void, glTexParameteri, (GLenum target, GLenum pname, GLint param), (target, pname, param)) \
    X(void, glTranslated, (GLdouble x, GLdouble y, GLdouble z), (x, y, z)) \
    X(void, glTranslatef, (GLfloat x, GLfloat y, GLfloat z), (x, y, z)) \
    X(void, glVertex2f, (GLfloat x, GLfloat y), (x, y)) \
    X(void, glVertex2fv, (const GLfloat *v), (v)) \
    X(void, glVertex2i, (GLint x, GLint y), (x, y)) \
    X(void, glVertex3f, (GLfloat x, GLfloat y, GLfloat z), (x, y, z)) \
    X(void, glVertex3fv, (const GLfloat *v), (v)) \
    X(void, glVertexPointer, (GLint size, GLenum type, GLsizei stride, const GLvoid *ptr), (size, type, stride, ptr)) \
    X(void, glViewport, (GLint x, GLint y, GLsizei width, GLsizei height), (x, y, width, height))

// The GLU and GLUT routines the engine calls. Not counted as GL calls themselves (the GL calls
// they make are), but what they allocate is theirs, not the engine's.
#define VH_WATCHED_LIBRARY(X) \
    X(GLint, gluBuild2DMipmaps, (GLenum target, GLint internalFormat, GLsizei width, GLsizei height, GLenum format, GLenum type, const void* data), (target, internalFormat, width, height, format, type, data)) \
    X(void, gluLookAt, (GLdouble eyeX, GLdouble eyeY, GLdouble eyeZ, GLdouble centerX, GLdouble centerY, GLdouble centerZ, GLdouble upX, GLdouble upY, GLdouble upZ), (eyeX, eyeY, eyeZ, centerX, centerY, centerZ, upX, upY, upZ)) \
    X(void, gluOrtho2D, (GLdouble left, GLdouble right, GLdouble bottom, GLdouble top), (left, right, bottom, top)) \
    X(void, gluPerspective, (GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar), (fovy, aspect, zNear, zFar)) \
    X(void, glutInit, (int* pargc, char** argv), (pargc, argv)) \
    X(void, glutInitWindowPosition, (int x, int y), (x, y)) \
    X(void, glutInitWindowSize, (int width, int height), (width, height)) \
    X(void, glutInitDisplayMode, (unsigned int displayMode), (displayMode)) \
    X(void, glutMainLoop, (void), ()) \
    X(void, glutMainLoopEvent, (void), ()) \
    X(int, glutCreateWindow, (const char* title), (title)) \
    X(void, glutFullScreen, (void), ()) \
    X(void, glutPostRedisplay, (void), ()) \
    X(void, glutSwapBuffers, (void), ()) \
    X(void, glutTimerFunc, (unsigned int time, void (*callback)(int), int value), (time, callback, value)) \
    X(void, glutIdleFunc, (void (*callback)(void)), (callback)) \
    X(void, glutKeyboardFunc, (void (*callback)(unsigned char, int, int)), (callback)) \
    X(void, glutSpecialFunc, (void (*callback)(int, int, int)), (callback)) \
    X(void, glutMouseWheelFunc, (void (*callback)(int, int, int, int)), (callback)) \
    X(void, glutReshapeFunc, (void (*callback)(int, int)), (callback)) \
    X(void, glutDisplayFunc, (void (*callback)(void)), (callback)) \
    X(int, glutGet, (GLenum query), (query)) \
    X(void, glutSolidSphere, (double radius, GLint slices, GLint stacks), (radius, slices, stacks))
// clang-format on

namespace {

long glCalls = 0;
long allocations = 0;
bool counting = false;
// Only the thread that started the tally counts, and only outside GL, GLU and GLUT calls.
thread_local bool tallyThread = false;
thread_local int insideLibrary = 0;

// The next definition of name after ours: the driver's (or the library's).
void* nextDefinition(const char* name) {
    void* f = dlsym(RTLD_NEXT, name);
    if (!f) {
        std::fprintf(stderr, "vhcapture: %s: not found in the GL libraries\n", name);
        std::abort();
    }
    return f;
}

struct Inside {
    Inside() { ++insideLibrary; }
    ~Inside() { --insideLibrary; }
};

#define VH_NAME(ret, name, params, args) #name,
const char* const talliedNames[] = {VH_COUNTED_GL(VH_NAME) VH_WATCHED_LIBRARY(VH_NAME)};
#undef VH_NAME

} // namespace

#define VH_DEFINE_COUNTED(ret, name, params, args)                                                                     \
    ret name params {                                                                                                  \
        static const auto next = reinterpret_cast<ret(*) params>(nextDefinition(#name));                               \
        ++glCalls;                                                                                                     \
        const Inside inside;                                                                                           \
        return next args;                                                                                              \
    }
#define VH_DEFINE_WATCHED(ret, name, params, args)                                                                     \
    ret name params {                                                                                                  \
        static const auto next = reinterpret_cast<ret(*) params>(nextDefinition(#name));                               \
        const Inside inside;                                                                                           \
        return next args;                                                                                              \
    }
extern "C" {
VH_COUNTED_GL(VH_DEFINE_COUNTED)
VH_WATCHED_LIBRARY(VH_DEFINE_WATCHED)
}

#if VH_TALLY_ALLOCATIONS
// glibc's own allocator, under the names it exports for programs that replace malloc.
extern "C" void* __libc_malloc(size_t size);
extern "C" void* __libc_calloc(size_t count, size_t size);
extern "C" void* __libc_realloc(void* block, size_t size);

namespace {
inline void noteAllocation() {
    if (counting && tallyThread && insideLibrary == 0) ++allocations;
}
} // namespace

extern "C" {
void* malloc(size_t size) {
    noteAllocation();
    return __libc_malloc(size);
}
void* calloc(size_t count, size_t size) {
    noteAllocation();
    return __libc_calloc(count, size);
}
void* realloc(void* block, size_t size) {
    noteAllocation();
    return __libc_realloc(block, size);
}
}
#endif

void CAP_TallyStart() {
    tallyThread = true;
    counting = true;
}

CapTally CAP_Tally() {
    timespec cpu{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu);
    return CapTally{(double)cpu.tv_sec * 1e3 + (double)cpu.tv_nsec * 1e-6, glCalls, allocations};
}

bool CAP_TallyCountsAllocations() {
    return VH_TALLY_ALLOCATIONS != 0;
}

bool CAP_Tallied(const char* name) {
    for (const char* n : talliedNames)
        if (std::strcmp(n, name) == 0) return true;
    return false;
}
