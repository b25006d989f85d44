// fmod.dll's contracts as a Windows program sees them, over its waveOut output: run under Wine
// in the package's folder (its fmod.dll and our song), with a private sound server, or with
// Wine's sound drivers switched off for the no-device case. What the DLL counts (buffers played,
// underruns, refused writes) comes from the report it sends to the debug output as it closes,
// caught here as the exception OutputDebugStringA raises. A device that refuses writes is made
// by putting our own waveOutWrite in fmod.dll's import table.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/fmod_api.h"

namespace {

const int kRate = 44100;
const char kSong[] = "Terminal.s3m";

// The last report fmod.dll sent to the debug output.
std::string lastReport;

LONG CALLBACK CatchDebugOutput(EXCEPTION_POINTERS* pointers) {
  const EXCEPTION_RECORD& record = *pointers->ExceptionRecord;
  if (record.ExceptionCode != DBG_PRINTEXCEPTION_C || record.NumberParameters < 2)
    return EXCEPTION_CONTINUE_SEARCH;
  const char* text = reinterpret_cast<const char*>(record.ExceptionInformation[1]);
  if (std::strncmp(text, "fmod.dll:", 9) == 0) lastReport = text;
  return EXCEPTION_CONTINUE_EXECUTION;
}

struct Report {
  bool seen = false;  // a report of a clean close: one that refused to close reads otherwise
  unsigned long played = 0, underruns = 0, refused = 0;
  double songStartMilliseconds = -1;
};

Report ReadReport() {
  Report report;
  report.seen = std::sscanf(lastReport.c_str(),
                            "fmod.dll: sound output closed: %lu buffers played, %lu underruns, "
                            "%lu writes refused (8 buffers of 1024 frames); the song started "
                            "at waveOut %lf ms after FMUSIC_PlaySong",
                            &report.played, &report.underruns, &report.refused,
                            &report.songStartMilliseconds) == 4;
  return report;
}

// Every waveOutWrite fmod.dll makes, the refused ones too, with the samples it offered.
struct WriteAttempt {
  const WAVEHDR* header;
  std::string samples;
  bool refused;
};
typedef MMRESULT(WINAPI* WaveOutWrite)(HWAVEOUT, LPWAVEHDR, UINT);
struct WriteSpy {
  WaveOutWrite real = nullptr;
  // Attempts numbered from 0; those from firstRefused on, refusedCount of them, are refused.
  std::size_t firstRefused = 0, refusedCount = 0;
  std::vector<WriteAttempt> attempts;  // read once the mixing thread is gone
};
WriteSpy spy;

MMRESULT WINAPI SpiedWaveOutWrite(HWAVEOUT device, LPWAVEHDR header, UINT size) {
  const std::size_t index = spy.attempts.size();
  const bool refuse = index >= spy.firstRefused && index < spy.firstRefused + spy.refusedCount;
  spy.attempts.push_back(
      WriteAttempt{header, std::string(header->lpData, header->dwBufferLength), refuse});
  return refuse ? MMSYSERR_NOMEM : spy.real(device, header, size);
}

// Points fmod.dll's import of winmm's waveOutWrite at replacement; the import it had, or null.
WaveOutWrite ReplaceImportedWaveOutWrite(WaveOutWrite replacement) {
  BYTE* base = reinterpret_cast<BYTE*>(GetModuleHandleA("fmod.dll"));
  if (!base) return nullptr;
  const IMAGE_NT_HEADERS* headers = reinterpret_cast<const IMAGE_NT_HEADERS*>(
      base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
  const IMAGE_DATA_DIRECTORY& imports =
      headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  for (const IMAGE_IMPORT_DESCRIPTOR* library =
           reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
       library->Name; ++library) {
    if (lstrcmpiA(reinterpret_cast<const char*>(base + library->Name), "winmm.dll") != 0) continue;
    const IMAGE_THUNK_DATA* name =
        reinterpret_cast<const IMAGE_THUNK_DATA*>(base + library->OriginalFirstThunk);
    IMAGE_THUNK_DATA* entry = reinterpret_cast<IMAGE_THUNK_DATA*>(base + library->FirstThunk);
    for (; name->u1.AddressOfData; ++name, ++entry) {
      if (IMAGE_SNAP_BY_ORDINAL(name->u1.Ordinal)) continue;
      const IMAGE_IMPORT_BY_NAME* byName =
          reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + name->u1.AddressOfData);
      if (std::strcmp(reinterpret_cast<const char*>(byName->Name), "waveOutWrite") != 0) continue;
      DWORD protection;
      VirtualProtect(&entry->u1.Function, sizeof entry->u1.Function, PAGE_READWRITE, &protection);
      WaveOutWrite previous = reinterpret_cast<WaveOutWrite>(entry->u1.Function);
      entry->u1.Function = reinterpret_cast<DWORD_PTR>(replacement);
      VirtualProtect(&entry->u1.Function, sizeof entry->u1.Function, protection, &protection);
      return previous;
    }
  }
  return nullptr;
}

class WaveOutSoundLibrary : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { AddVectoredExceptionHandler(1, CatchDebugOutput); }
  void SetUp() override { lastReport.clear(); }
  void TearDown() override { FSOUND_Close(); }
  // Output started, our song loaded and playing: the start of every contract that needs sound.
  void PlayTheSong(FMUSIC_MODULE** song) {
    ASSERT_EQ(FSOUND_Init(kRate, 32, 0), 1);
    *song = FMUSIC_LoadSong(kSong);
    ASSERT_NE(*song, nullptr) << FSOUND_GetError();
    ASSERT_EQ(FMUSIC_PlaySong(*song), 1);
  }
};

TEST_F(WaveOutSoundLibrary, InitTwiceIsRefusedUntilClosed) {
  ASSERT_EQ(FSOUND_Init(kRate, 32, 0), 1);
  EXPECT_EQ(FSOUND_Init(kRate, 32, 0), 0);
  EXPECT_EQ(FSOUND_GetError(), FMOD_ERR_BUSY);
  FSOUND_Close();
  EXPECT_TRUE(ReadReport().seen) << lastReport;
  EXPECT_EQ(FSOUND_Init(kRate, 32, 0), 1);
  EXPECT_EQ(FSOUND_GetError(), FMOD_ERR_NONE);
}

TEST_F(WaveOutSoundLibrary, NothingIsQueuedBeforeTheSongPlays) {
  ASSERT_EQ(FSOUND_Init(kRate, 32, 0), 1);
  Sleep(300);
  FSOUND_Close();
  Report report = ReadReport();
  ASSERT_TRUE(report.seen) << lastReport;
  EXPECT_EQ(report.played, 0u) << lastReport;
  EXPECT_LT(report.songStartMilliseconds, 0) << lastReport;
}

TEST_F(WaveOutSoundLibrary, CloseWhileMixingEndsPlaybackAndKeepsTheSong) {
  FMUSIC_MODULE* song = nullptr;
  ASSERT_NO_FATAL_FAILURE(PlayTheSong(&song));
  Sleep(400);
  DWORD before = GetTickCount();
  FSOUND_Close();
  EXPECT_LT(GetTickCount() - before, 1000u) << "close waited on the device";
  Report report = ReadReport();
  ASSERT_TRUE(report.seen) << lastReport;
  EXPECT_GT(report.played, 5u) << lastReport;
  EXPECT_GE(report.songStartMilliseconds, 0) << lastReport;
  // The song outlives the output until freed, once.
  EXPECT_EQ(FMUSIC_FreeSong(song), 1);
  EXPECT_EQ(FMUSIC_FreeSong(song), 0);
  EXPECT_EQ(FSOUND_GetError(), FMOD_ERR_INVALID_PARAM);
}

TEST_F(WaveOutSoundLibrary, FreeWhilePlayingLeavesTheOutputRunning) {
  FMUSIC_MODULE* song = nullptr;
  ASSERT_NO_FATAL_FAILURE(PlayTheSong(&song));
  Sleep(200);
  EXPECT_EQ(FMUSIC_FreeSong(song), 1);
  Sleep(200);  // the mixer goes on, now with nothing to play
  FMUSIC_MODULE* again = FMUSIC_LoadSong(kSong);
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(FMUSIC_PlaySong(again), 1);
  Sleep(100);
  FSOUND_Close();
  Report report = ReadReport();
  ASSERT_TRUE(report.seen) << lastReport;
  EXPECT_EQ(report.underruns, 0u) << lastReport;
  EXPECT_EQ(FMUSIC_FreeSong(again), 1);
}

TEST_F(WaveOutSoundLibrary, PlayAfterCloseIsRefusedAsUninitialised) {
  ASSERT_EQ(FSOUND_Init(kRate, 32, 0), 1);
  FMUSIC_MODULE* song = FMUSIC_LoadSong(kSong);
  ASSERT_NE(song, nullptr);
  FSOUND_Close();
  EXPECT_EQ(FMUSIC_PlaySong(song), 0);
  EXPECT_EQ(FSOUND_GetError(), FMOD_ERR_UNINITIALIZED);
  EXPECT_EQ(FMUSIC_FreeSong(song), 1);
}

// A run of the song as the show makes it: the DLL's own count of underruns stays 0.
// QUENTHOR_SONG_SECONDS sets its length (default 10).
TEST_F(WaveOutSoundLibrary, TheSongPlaysWithoutUnderruns) {
  const char* chosen = std::getenv("QUENTHOR_SONG_SECONDS");
  const int seconds = chosen ? std::atoi(chosen) : 10;
  FMUSIC_MODULE* song = nullptr;
  ASSERT_NO_FATAL_FAILURE(PlayTheSong(&song));
  Sleep(static_cast<DWORD>(seconds) * 1000);
  FSOUND_Close();
  Report report = ReadReport();
  std::printf("%s", lastReport.c_str());
  ASSERT_TRUE(report.seen) << lastReport;
  // 44,100 frames a second is 43 buffers of 1,024; a sound server on a loaded machine may take
  // them slower than that, but one that stalled would take none.
  EXPECT_GT(report.played, static_cast<unsigned long>(seconds * 43 / 2)) << lastReport;
  EXPECT_EQ(report.underruns, 0u) << lastReport;
  EXPECT_EQ(report.refused, 0u) << lastReport;
  EXPECT_EQ(FMUSIC_FreeSong(song), 1);
}

// A refused write keeps its buffer: the same samples are offered again until a write takes
// them, whether the device holds nothing (the first writes: retried on a timer) or holds the
// rest of the ring (retried as one finishes). Rendering them again would skip them, and a
// device that kept refusing would have the song run ahead.
TEST_F(WaveOutSoundLibrary, ARefusedBufferIsOfferedAgainUnchanged) {
  struct Case {
    std::size_t firstRefused, refusedCount;
  };
  for (const Case refusal : {Case{0, 20}, Case{20, 3}}) {
    spy = WriteSpy();
    spy.firstRefused = refusal.firstRefused;
    spy.refusedCount = refusal.refusedCount;
    spy.real = ReplaceImportedWaveOutWrite(SpiedWaveOutWrite);
    ASSERT_NE(spy.real, nullptr) << "fmod.dll imports no waveOutWrite";
    FMUSIC_MODULE* song = nullptr;
    ASSERT_NO_FATAL_FAILURE(PlayTheSong(&song));
    Sleep(1500);  // at least 23 writes even from a sound server that takes them at half speed
    FSOUND_Close();
    ReplaceImportedWaveOutWrite(spy.real);
    Report report = ReadReport();
    ASSERT_TRUE(report.seen) << lastReport;
    EXPECT_EQ(report.refused, refusal.refusedCount) << lastReport;
    const std::size_t end = refusal.firstRefused + refusal.refusedCount;
    ASSERT_GT(spy.attempts.size(), end) << lastReport;
    const WriteAttempt& first = spy.attempts[refusal.firstRefused];
    EXPECT_NE(first.samples, std::string(first.samples.size(), '\0')) << "silence proves nothing";
    for (std::size_t index = refusal.firstRefused + 1; index <= end; ++index) {
      EXPECT_EQ(spy.attempts[index].header, first.header) << "attempt " << index;
      EXPECT_TRUE(spy.attempts[index].samples == first.samples) << "attempt " << index;
    }
    EXPECT_FALSE(spy.attempts[end].refused);
    EXPECT_EQ(FMUSIC_FreeSong(song), 1);
  }
}

// Our song, followed by a hole up to size bytes: nothing is written past the song (under Wine
// the end is set by truncating, so the file is sparse).
bool WriteSongPaddedTo(const std::string& song, const std::string& path, LONGLONG size) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  LARGE_INTEGER end;
  end.QuadPart = size;
  const bool made = WriteFile(file, song.data(), static_cast<DWORD>(song.size()), &written, nullptr) &&
                    written == song.size() && SetFilePointerEx(file, end, nullptr, FILE_BEGIN) &&
                    SetEndOfFile(file);
  CloseHandle(file);
  return made;
}

// Nothing by the name is "File not found"; a folder can't be loaded; a file larger than any
// module could be is no module, refused by its size before it is read. Past 4 GiB, its size
// modulo 2^32 is the song's own size, which once loaded and played the song.
TEST_F(WaveOutSoundLibrary, LoadFailuresSayWhy) {
  char temporary[MAX_PATH];
  ASSERT_GT(GetTempPathA(sizeof temporary, temporary), 0u);
  const std::string folder = std::string(temporary) + "quenthor-load-" +
                             std::to_string(GetCurrentProcessId());
  ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
  const std::string inner = folder + "\\a-folder", over = folder + "\\over-limit",
                    past = folder + "\\past-4-GiB";
  ASSERT_TRUE(CreateDirectoryA(inner.c_str(), nullptr));
  std::string song;
  std::FILE* source = std::fopen(kSong, "rb");
  ASSERT_NE(source, nullptr);
  char chunk[4096];
  for (std::size_t got; (got = std::fread(chunk, 1, sizeof chunk, source)) > 0;) song.append(chunk, got);
  std::fclose(source);
  const LONGLONG kLimit = LONGLONG{64} << 20;
  ASSERT_TRUE(WriteSongPaddedTo(song, over, kLimit + 1));
  ASSERT_TRUE(WriteSongPaddedTo(song, past, (LONGLONG{1} << 32) + song.size()));
  ASSERT_EQ(FSOUND_Init(kRate, 32, 0), 1);
  struct Case {
    std::string path;
    int error;
  };
  for (const Case& load : {Case{folder + "\\missing.s3m", FMOD_ERR_FILE_NOTFOUND},
                           Case{inner, FMOD_ERR_FILE_BAD}, Case{over, FMOD_ERR_FILE_FORMAT},
                           Case{past, FMOD_ERR_FILE_FORMAT}}) {
    FMUSIC_MODULE* loaded = FMUSIC_LoadSong(load.path.c_str());
    EXPECT_EQ(loaded, nullptr) << load.path;
    EXPECT_EQ(FSOUND_GetError(), load.error) << load.path;
    if (loaded) FMUSIC_FreeSong(loaded);
  }
  EXPECT_TRUE(DeleteFileA(over.c_str()));
  EXPECT_TRUE(DeleteFileA(past.c_str()));
  EXPECT_TRUE(RemoveDirectoryA(inner.c_str()));
  EXPECT_TRUE(RemoveDirectoryA(folder.c_str()));
}

// Run with Wine's sound drivers switched off (the NoDevice test's own ctest entry).
TEST_F(WaveOutSoundLibrary, NoDeviceFailsInitAndThenTheLoad) {
  EXPECT_EQ(FSOUND_Init(kRate, 32, 0), 0);
  EXPECT_EQ(FSOUND_GetError(), FMOD_ERR_INIT);
  EXPECT_EQ(FMUSIC_LoadSong(kSong), nullptr);
  EXPECT_EQ(FSOUND_GetError(), FMOD_ERR_UNINITIALIZED);
  FSOUND_Close();  // harmless when nothing was opened
  EXPECT_TRUE(lastReport.empty()) << lastReport;
}

}  // namespace
