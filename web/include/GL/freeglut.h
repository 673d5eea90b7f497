// The browser's GLUT is the toolchain's, which lacks a few of the desktop library's extensions:
// the ones the engine calls are supplied by the web platform (web/glshim.cpp, web/main.cpp).
#pragma once
#include <GL/glut.h>

#ifdef __cplusplus
extern "C" {
#endif
void glutMainLoopEvent(void);
void glutMouseWheelFunc(void (*callback)(int wheel, int direction, int x, int y));
#ifdef __cplusplus
}
#endif
