#pragma once
// The program's version, NUMMORA_VERSION, as the About box, the window titles and the header
// line of every profile document show it. The build defines it from the project version in the
// top-level CMakeLists.txt; it is a macro so that it can be part of string literals.
#ifndef NUMMORA_VERSION
#error "NUMMORA_VERSION is defined by the build from the project version"
#endif
