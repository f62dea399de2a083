// Dgds.h -- GDSII stream input and output (src/gdsc).
//
// Everything other subsystems may use of this subsystem: the layer map, the
// reader that fills the layout database as the CIF reader does, and the
// writers of a flat cell and of the squeeze's CIF output.
//
// Layer map: a text file of lines "gds-layer gds-datatype layer-name"
// ("#" starts a comment); several pairs may name one technology layer.  It
// is read when first needed from the optional key "GdsLayerMap" of the
// system source file, or on request (f.DIldGdsMap).  Shapes on pairs the map
// does not name are skipped and listed once per load; the writers give a
// layer the first pair that names it.
//
// Reading: structures become cells "CIRCUIT<n>" (n from 1 in the order of
// definition; the user's name is the structure's name), SREF and AREF become
// calls (an AREF one call per copy), boundaries and paths become rectangles
// (polygons through GCpoly2rects, as CIF polygons), TEXT a label and a pin.
// The structures nobody calls are called by a new top cell "CIRCUIT", as a
// top-level call of CIF does.  Database units convert exactly; a coordinate
// between two internal units is rounded and counted.  A file that cannot be
// read whole (truncated, corrupt, a missing or recursive structure, a
// transformation the database cannot hold) is refused with a message naming
// the byte offset and the record, and the previous layout stays.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

struct _layout;

namespace gds {

// ---------------------------------------------------------------------------
// Layer map.
// ---------------------------------------------------------------------------

// Reads the layer map file `path` and makes it the map.  Returns false, after
// messages naming the line, when the file cannot be read or holds an error;
// the previous map then stays.
bool readLayerMap(const std::string& path);

// Forgets the map (the next use reads the one of the system source file).
void forgetLayerMap();

// ---------------------------------------------------------------------------
// Reading.
// ---------------------------------------------------------------------------

// A layout read from a stream and not yet installed; destroying it releases
// every record it holds.
class StreamLayout;
struct StreamLayoutDeleter {
  void operator()(StreamLayout* layout) const;
};
using PendingLayout = std::unique_ptr<StreamLayout, StreamLayoutDeleter>;

// Reads the GDSII stream `in` whole (`name` names it in messages); does not
// close it.  Returns null, after the messages, when the file is refused; the
// layout database is not touched.
PendingLayout readStream(FILE* in, const std::string& name);

// The most calls the AREFs of one file may make (2^21 at start, each call
// being a record of the database); a file asking for more is refused.
// A limit of 0 or below restores the start value.
void setArrayCallLimit(long calls);

// Makes `layout` the layout: releases the previous one as ACinit does, then
// sets Gsymbols, Glayout, Gactive and Gpin, and the count of boxes off the
// quarter-step grid (AC_initial_halfscale_error).
void install(PendingLayout layout);

// ---------------------------------------------------------------------------
// Writing.
// ---------------------------------------------------------------------------

// Writes the geometry of `cell` (its rectangles and labels; its calls are
// not followed) as one structure to `path`, in internal units.  A label's
// text loses the leading "<call>_" that a flatten put before it.  Returns 0,
// or 1 after a message when there is no map or the file cannot be written.
int writeCell(const _layout* cell, const std::string& path);

// Writes the flat CIF file `cifPath` as written by the squeeze (boxes,
// labels "94 text x y layer", one definition) as the GDSII file `gdsPath`
// with the same geometry.  Returns 0, or 1 after a message.
int writeCifOutput(const std::string& cifPath, const std::string& gdsPath);

}  // namespace gds
