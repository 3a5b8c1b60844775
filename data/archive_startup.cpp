// The process-wide current archive and its start-up and shutdown.
#include <new>

#include "data/archive.h"
#include "data/open_error.h"

namespace {

DataArchive* g_current = nullptr;

}  // namespace

DataArchive* CurrentArchive() { return g_current; }

int32_t ArchiveStartup(HWND mainWindow) {
  ArchiveShutdown();
  EnableOpenError(mainWindow);
  auto* archive = new (std::nothrow) DataArchive();
  if (!archive) return 0;
  if (ArchiveOpen(archive) < 0) {
    ArchiveClose(archive);
    delete archive;
    return 0;
  }
  g_current = archive;
  return 0;
}

void ArchiveShutdown() {
  DisableOpenError();
  if (g_current) {
    ArchiveClose(g_current);
    delete g_current;
    g_current = nullptr;
  }
}
