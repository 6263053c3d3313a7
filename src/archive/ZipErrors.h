#pragma once
// The archive component's own exception classes, each carrying only its message. The decompression
// engine raises the first three; the archive reader raises the others. Both add theirs here.
#include "platform/Exceptions.h"

namespace niv {

// "File is larger than uncompressed size!": a piece of output would pass the recorded size.
NIV_EXCEPTION_CLASS(EBiggerThanUncompressed, plat::Exception);
// "Premature end of file reached": the member's data ends before its compressed size is read.
NIV_EXCEPTION_CLASS(EFatalUnzipError, plat::Exception);
// A cancel request honoured during extraction or a refused volume.
NIV_EXCEPTION_CLASS(EUserCanceled, plat::Exception);

// Archive reader.
NIV_EXCEPTION_CLASS(EBadZipFile, plat::Exception);     // "Not a valid zip file!"
NIV_EXCEPTION_CLASS(EIncompleteZip, plat::Exception);  // "Incomplete Zip File"

}  // namespace niv
