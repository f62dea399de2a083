// LXinductor.h -- spiral inductors (src/inductor).
//
// Everything other subsystems may use of this subsystem.
#pragma once

int LXinductorExtract();
