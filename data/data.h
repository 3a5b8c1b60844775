// Data access: how every loader gets at its bytes.
//
// - stream.h: InputStream, a 64 KiB buffer in front of a source given as a
//   StreamCallbacks table (read, seek, close, tell, end-of-data) and a user
//   pointer; StreamOpenFile attaches a file on disk by name.
// - file_callbacks.h: the plain-file and FileHolder callback sets.
// - source_handle.h: SourceHandle, a plain file or an archive member, and its
//   callback set (with a close and a close-and-free variant).
// - archive.h: the packed archive "DataB.pac", the process-wide current
//   archive, name lookup and member reads; archive_names.h: the name rules.
// - open_error.h: ShowOpenError, the message naming a file found nowhere.
// - raw_texture.h: the raw texture format, LoadRawTexture, and LoadTexture
//   (raw file on disk, then D3DX, then raw archive member).
//
// Refusals keep their documented results; beside them ArchiveLastError and
// RawTextureLastError say why the last ArchiveOpen or LoadRawTexture failed
// (main thread only, like the calls themselves).
//
// Does not: decode the scene or sound formats (they live with their loaders),
// write archives (tools/pac), cache, or lock.
//
// Threads: everything runs on the main thread during start-up and teardown,
// except that while the music plays the sound streaming thread reads its
// source, which may be an archive member on the archive's shared file
// handle; member reads take the archive's lock, so the main thread may read
// other members meanwhile. ArchiveShutdown runs only after the streaming
// thread has ended.
#ifndef MORVANE_DATA_DATA_H
#define MORVANE_DATA_DATA_H

#include "data/archive.h"
#include "data/archive_names.h"
#include "data/file_callbacks.h"
#include "data/open_error.h"
#include "data/raw_texture.h"
#include "data/source_handle.h"
#include "data/stream.h"

#endif  // MORVANE_DATA_DATA_H
