// glshim: what the browser's fixed-function emulation lacks, supplied under the engine's own
// calls. Every engine file of the web build sees this header first (a forced include), so the
// calls below reach web/glshim.cpp instead of the emulation; the desktop build never sees it.
//
// - display lists: recorded (immediate-mode vertices and element draws from client arrays) and
//   replayed from arrays;
// - client-attribute push and pop, kept in a shadow of the client array state;
// - textures: BGR/BGRA pixels swapped at upload, component counts turned into formats, GL_CLAMP
//   as clamp-to-edge, mipmaps built here by halving, level sizes answered from our own record;
// - lighting: colour tracking (the emulation reads only glMaterial) and the light and material
//   parameters it refuses;
// - the GLU viewing matrices (the emulation's look-at does nothing and its perspective replaces the
//   matrix instead of multiplying it);
// - the GLUT sphere, built as a sphere of slices and stacks about z;
// - the hints and read buffer WebGL has no use for, and RGB read-backs (WebGL reads RGBA only).
#pragma once

#include <GL/gl.h>
#include <GL/glu.h>
#include <GL/glut.h>

#ifdef __cplusplus
extern "C" {
#endif
GLuint WGL_GenLists(GLsizei range);
void WGL_NewList(GLuint list, GLenum mode);
void WGL_EndList(void);
void WGL_CallList(GLuint list);
void WGL_DeleteLists(GLuint list, GLsizei range);
GLboolean WGL_IsList(GLuint list);
void WGL_Begin(GLenum mode);
void WGL_End(void);
void WGL_Vertex3f(GLfloat x, GLfloat y, GLfloat z);
void WGL_Vertex3fv(const GLfloat* v);
void WGL_Vertex2f(GLfloat x, GLfloat y);
void WGL_Normal3f(GLfloat x, GLfloat y, GLfloat z);
void WGL_Normal3fv(const GLfloat* v);
void WGL_TexCoord2f(GLfloat s, GLfloat t);
void WGL_Color3f(GLfloat r, GLfloat g, GLfloat b);
void WGL_Color4f(GLfloat r, GLfloat g, GLfloat b, GLfloat a);
void WGL_Color4fv(const GLfloat* v);
void WGL_Color3ub(GLubyte r, GLubyte g, GLubyte b);
void WGL_Color4ub(GLubyte r, GLubyte g, GLubyte b, GLubyte a);
void WGL_Color4ubv(const GLubyte* v);
void WGL_DrawElements(GLenum mode, GLsizei count, GLenum type, const void* indices);
void WGL_DrawArrays(GLenum mode, GLint first, GLsizei count);
void WGL_EnableClientState(GLenum array);
void WGL_DisableClientState(GLenum array);
void WGL_VertexPointer(GLint size, GLenum type, GLsizei stride, const void* pointer);
void WGL_NormalPointer(GLenum type, GLsizei stride, const void* pointer);
void WGL_TexCoordPointer(GLint size, GLenum type, GLsizei stride, const void* pointer);
void WGL_ColorPointer(GLint size, GLenum type, GLsizei stride, const void* pointer);
void WGL_PushClientAttrib(GLbitfield mask);
void WGL_PopClientAttrib(void);
void WGL_TexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height, GLint border,
                    GLenum format, GLenum type, const void* pixels);
GLint WGL_Build2DMipmaps(GLenum target, GLint internalFormat, GLsizei width, GLsizei height, GLenum format,
                         GLenum type, const void* data);
void WGL_TexParameteri(GLenum target, GLenum pname, GLint param);
void WGL_GetTexLevelParameteriv(GLenum target, GLint level, GLenum pname, GLint* params);
void WGL_DeleteTextures(GLsizei n, const GLuint* textures);
void WGL_BindTexture(GLenum target, GLuint texture);
void WGL_Enable(GLenum cap);
void WGL_Disable(GLenum cap);
GLboolean WGL_IsEnabled(GLenum cap);
void WGL_ColorMaterial(GLenum face, GLenum mode);
void WGL_Lightf(GLenum light, GLenum pname, GLfloat param);
void WGL_Lightfv(GLenum light, GLenum pname, const GLfloat* params);
void WGL_Materialf(GLenum face, GLenum pname, GLfloat param);
void WGL_Materialfv(GLenum face, GLenum pname, const GLfloat* params);
void WGL_TexEnvf(GLenum target, GLenum pname, GLfloat param);
void WGL_Hint(GLenum target, GLenum mode);
void WGL_ShadeModel(GLenum mode);
void WGL_ReadBuffer(GLenum mode);
void WGL_ReadPixels(GLint x, GLint y, GLsizei width, GLsizei height, GLenum format, GLenum type, void* pixels);
void WGL_DepthRange(GLclampd near, GLclampd far);
void WGL_PolygonMode(GLenum face, GLenum mode);
void WGL_LookAt(GLdouble ex, GLdouble ey, GLdouble ez, GLdouble cx, GLdouble cy, GLdouble cz, GLdouble ux,
                GLdouble uy, GLdouble uz);
void WGL_Perspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar);
void WGL_SolidSphere(GLdouble radius, GLint slices, GLint stacks);
#ifdef __cplusplus
}
#endif

#define glGenLists WGL_GenLists
#define glNewList WGL_NewList
#define glEndList WGL_EndList
#define glCallList WGL_CallList
#define glDeleteLists WGL_DeleteLists
#define glIsList WGL_IsList
#define glBegin WGL_Begin
#define glEnd WGL_End
#define glVertex3f WGL_Vertex3f
#define glVertex3fv WGL_Vertex3fv
#define glVertex2f WGL_Vertex2f
#define glNormal3f WGL_Normal3f
#define glNormal3fv WGL_Normal3fv
#define glTexCoord2f WGL_TexCoord2f
#define glColor3f WGL_Color3f
#define glColor4f WGL_Color4f
#define glColor4fv WGL_Color4fv
#define glColor3ub WGL_Color3ub
#define glColor4ub WGL_Color4ub
#define glColor4ubv WGL_Color4ubv
#define glDrawElements WGL_DrawElements
#define glDrawArrays WGL_DrawArrays
#define glEnableClientState WGL_EnableClientState
#define glDisableClientState WGL_DisableClientState
#define glVertexPointer WGL_VertexPointer
#define glNormalPointer WGL_NormalPointer
#define glTexCoordPointer WGL_TexCoordPointer
#define glColorPointer WGL_ColorPointer
#define glPushClientAttrib WGL_PushClientAttrib
#define glPopClientAttrib WGL_PopClientAttrib
#define glTexImage2D WGL_TexImage2D
#define gluBuild2DMipmaps WGL_Build2DMipmaps
#define glTexParameteri WGL_TexParameteri
#define glGetTexLevelParameteriv WGL_GetTexLevelParameteriv
#define glDeleteTextures WGL_DeleteTextures
#define glBindTexture WGL_BindTexture
#define glEnable WGL_Enable
#define glDisable WGL_Disable
#define glIsEnabled WGL_IsEnabled
#define glColorMaterial WGL_ColorMaterial
#define glLightf WGL_Lightf
#define glLightfv WGL_Lightfv
#define glMaterialf WGL_Materialf
#define glMaterialfv WGL_Materialfv
#define glTexEnvf WGL_TexEnvf
#define glHint WGL_Hint
#define glShadeModel WGL_ShadeModel
#define glReadBuffer WGL_ReadBuffer
#define glReadPixels WGL_ReadPixels
#define glDepthRange WGL_DepthRange
#define glPolygonMode WGL_PolygonMode
#define glutSolidSphere WGL_SolidSphere
#define gluLookAt WGL_LookAt
#define gluPerspective WGL_Perspective
