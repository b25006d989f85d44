// Built into libopenmpt in place of the readers of every format but S3M, MOD, XM and IT, when a
// build carries only those (see libopenmpt.cmake): each such format is answered "not this one",
// so a song in it fails as an unknown file does, with no reader's code behind it.
#include "stdafx.h"
#include "soundlib/Loaders.h"

OPENMPT_NAMESPACE_BEGIN

#define QUENTHOR_UNREAD_FORMAT(name)                                                            \
  CSoundFile::ProbeResult CSoundFile::ProbeFileHeader##name(MemoryFileReader, const uint64 *) { \
    return ProbeFailure;                                                                        \
  }                                                                                             \
  bool CSoundFile::Read##name(FileReader &, ModLoadingFlags) { return false; }

QUENTHOR_UNREAD_FORMAT(669)
QUENTHOR_UNREAD_FORMAT(AM)
QUENTHOR_UNREAD_FORMAT(AMF_Asylum)
QUENTHOR_UNREAD_FORMAT(AMF_DSMI)
QUENTHOR_UNREAD_FORMAT(AMS)
QUENTHOR_UNREAD_FORMAT(AMS2)
QUENTHOR_UNREAD_FORMAT(C67)
QUENTHOR_UNREAD_FORMAT(DBM)
QUENTHOR_UNREAD_FORMAT(DIGI)
QUENTHOR_UNREAD_FORMAT(DMF)
QUENTHOR_UNREAD_FORMAT(DSM)
QUENTHOR_UNREAD_FORMAT(DSym)
QUENTHOR_UNREAD_FORMAT(DTM)
QUENTHOR_UNREAD_FORMAT(FAR)
QUENTHOR_UNREAD_FORMAT(FMT)
QUENTHOR_UNREAD_FORMAT(GDM)
QUENTHOR_UNREAD_FORMAT(IMF)
QUENTHOR_UNREAD_FORMAT(ITP)
QUENTHOR_UNREAD_FORMAT(J2B)
QUENTHOR_UNREAD_FORMAT(MDL)
QUENTHOR_UNREAD_FORMAT(MED)
QUENTHOR_UNREAD_FORMAT(MO3)
QUENTHOR_UNREAD_FORMAT(MT2)
QUENTHOR_UNREAD_FORMAT(MTM)
QUENTHOR_UNREAD_FORMAT(MUS_KM)
QUENTHOR_UNREAD_FORMAT(OKT)
QUENTHOR_UNREAD_FORMAT(PLM)
QUENTHOR_UNREAD_FORMAT(PSM)
QUENTHOR_UNREAD_FORMAT(PSM16)
QUENTHOR_UNREAD_FORMAT(PTM)
QUENTHOR_UNREAD_FORMAT(SFX)
QUENTHOR_UNREAD_FORMAT(STM)
QUENTHOR_UNREAD_FORMAT(STP)
QUENTHOR_UNREAD_FORMAT(STX)
QUENTHOR_UNREAD_FORMAT(SymMOD)
QUENTHOR_UNREAD_FORMAT(ULT)

// The sample packings that only the AMS and DMF readers ask for: never reached without them.
void AMSUnpack(mpt::const_byte_span, mpt::byte_span, int8) {}
uintptr_t DMFUnpack(FileReader &, uint8 *, uint32) { return 0; }

OPENMPT_NAMESPACE_END
