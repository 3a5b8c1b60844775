// CDirectSoundWave: the player over a RIFF WAVE source. It reads the header
// ("fmt " and "data" chunks, every other chunk skipped), creates the buffer
// for the file's format and hands the streaming thread the data chunk,
// looping back to the loop start at its end or, with a loop limit, padding
// with silence once the limit is reached.
//
// Sources: a file on disk (Open) or any source given as callbacks
// (OpenFromCallbacks), such as an archive member's SourceHandle. The player
// owns the source from a successful open until Close, which calls its close
// entry once (so an allocated SourceHandle given with the close-and-free
// entry is freed there); a failed open leaves the source to the caller.
//
// Does not: convert formats (the DirectSound layer decides what plays: 8- or
// 16-bit PCM, mono or stereo), read compressed WAVE, or honour the RIFF size
// (the source's own size bounds the walk and every chunk).
//
// Threads: Open, OpenFromCallbacks, LastError, Close and the destructor
// belong to the controlling thread; Close ends the streaming thread before it touches the
// source. FillData runs on the streaming thread. Seek may be called from the
// controlling thread while playing: the source is read and moved under one
// mutex, so it never races with FillData.
#ifndef MORVANE_SOUND_SOUND_WAVE_H
#define MORVANE_SOUND_SOUND_WAVE_H

#include <cstdint>
#include <mutex>

#include "data/file_callbacks.h"
#include "data/stream.h"
#include "sound/sound_base.h"

// Why the last Open or OpenFromCallbacks of a player returned -1.
enum class WaveError : uint8_t {
  kNone,
  kArguments,    // no file name, or a callback table without read, seek or tell
  kNoFile,       // the file could not be opened
  kSourceSize,   // the source's size could not be taken (seek or tell failed)
  kNotRiffWave,  // no "RIFF" ... "WAVE" header
  kCut,          // the data ends inside a header the walk needs, or a seek fails
  kShortFormat,  // a "fmt " chunk of fewer than 14 bytes
  kNoFormat,     // no "fmt " chunk
  kNoData,       // no "data" chunk
  kDevice,       // the DirectSound layer refused the buffer for the format
};

class CDirectSoundWave : public CDirectSoundBase {
 public:
  CDirectSoundWave();
  ~CDirectSoundWave() override;

  int32_t Open(IDirectSound8* device, const char* fileName) override;
  int32_t OpenFromCallbacks(IDirectSound8* device, const char* name, const StreamCallbacks* table,
                            void* user) override;
  // Positions are rounded down to whole frames.
  int32_t Seek(int32_t positionMs) override;
  void Close() override;
  // The reason of the last open; kNone after one that succeeded.
  WaveError LastError() const { return lastError_; }

 protected:
  int32_t FillData(uint8_t* destination, uint32_t bytes) override;
  // Walks the chunks from the start of the source: 0 with the format, data
  // start and size set and the source at the data, or -1 (not RIFF/WAVE, a
  // short header, a "fmt " of fewer than 14 bytes, no "fmt " or no "data").
  int32_t ParseWave(WAVEFORMATEX* format);
  // CreateStreamBuffer, recording kDevice when it fails.
  int32_t CreateBuffer(IDirectSound8* device, const WAVEFORMATEX& format);
  // Records `reason`; -1.
  int32_t Refuse(WaveError reason);

  // Fields, in this order.
  StreamReadFn read_ = nullptr;
  StreamSeekFn seek_ = nullptr;
  StreamCloseFn close_ = nullptr;
  StreamTellFn tell_ = nullptr;
  void* user_ = nullptr;
  FileHolder ownFile_{nullptr};
  WaveError lastError_ = WaveError::kNone;
  uint32_t bytesPerSecond_ = 0;
  uint32_t dataStart_ = 0;     // source position of the data chunk's first byte
  uint32_t dataPosition_ = 0;  // bytes of the data chunk delivered in this pass
  uint32_t dataSize_ = 0;

 private:
  // Reads the own file through the FileHolder set (the state after
  // construction and after Close).
  void UseOwnFile();
  void SetName(const char* name);
  // Up to `bytes` bytes from the source; the count actually delivered.
  uint32_t ReadSource(void* destination, uint32_t bytes);
  // Frame-aligned byte offset in the data chunk for a time in seconds,
  // clamped to 0..data size.
  uint32_t DataOffset(double seconds) const;

  std::mutex sourceMutex_;  // FillData and Seek
};

#endif  // MORVANE_SOUND_SOUND_WAVE_H
