#pragma once

// The OpenGL context the web engine shares with the window, made on first
// call; the web engine's module must not be loaded before it exists.
void MakeSharedOpenGLContext();
