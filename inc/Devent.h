// Devent.h -- interaction chains of the pointer (src/event).
//
// Everything other subsystems may use to describe an interaction as a chain
// of steps and to feed it points and strings.
#pragma once

// Empties the point and string buffers and forgets the running chain.
void DEinit();
