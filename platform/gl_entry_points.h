// Whether an OpenGL entry point can be used with the current context.
//
// On Linux a look-up by name (SDL_GL_GetProcAddress, glXGetProcAddress)
// returns a dispatch stub for any name at all, so it cannot tell. Instead an
// entry point is judged by the context's GL version, which brings it into the
// core, or by the extension that provides it (a vendor-suffixed name such as
// glGenFramebuffersEXT needs its extension).
#pragma once

// The judgement on given context strings: version as glGetString(GL_VERSION)
// gives it ("2.1 Mesa 22.3.6"), extensions as the space-separated
// GL_EXTENSIONS list. Names the table does not know are not available: the
// runtime asks only for entry points beyond OpenGL 1.1, as wglGetProcAddress
// answers only for those.
bool qvl_gl_entry_supported(const char* name, const char* version, const char* extensions);

// The same for the current context; false when there is no current context.
bool qvl_gl_entry_available(const char* name);

// True when the space-separated list holds the extension as a whole word.
bool qvl_gl_has_extension(const char* extensions, const char* extension);
