// Conversion.cpp: the conversions as block loops over the files' handles, one system call per block.
#include "core/Conversion.h"

#include "core/ByteStreams.h"
#include "core/Pipeline.h"
#include "foundation/CFile.h"

namespace {

DWORD ErrorOf(PumpResult result, const CStreamSource& source, const CStreamSink& sink)
{
    switch (result)
    {
    case PumpDone: return 0;
    case PumpReadFailed: return source.GetError();
    case PumpWriteFailed: return sink.GetError();
    default: return ERROR_NOT_ENOUGH_MEMORY;
    }
}

} // namespace

bool TextToBinary(Vexa::CFile& in, Vexa::CFile& out)
{
    CHandleSource source(in.GetHandle());
    CHandleSink sink(out.GetHandle());
    const DWORD error = ErrorOf(PumpTextToBinary(source, sink), source, sink);
    if (error) SetLastError(error);
    return error == 0;
}

int BinaryToText(Vexa::CFile& in, Vexa::CFile& out)
{
    CHandleSource source(in.GetHandle());
    CHandleSink sink(out.GetHandle());
    const DWORD error = ErrorOf(PumpBinaryToText(source, sink), source, sink);
    if (error) SetLastError(error);
    return int(error);
}

StreamResult Convert(Vexa::CFile& in, Vexa::CFile& out, const ConvertOptions& options, const char* name)
{
    // The file is read ahead and written behind while the blocks between are converted.
    CHandleSource file(in.GetHandle());
    CReadAhead source(file, options.observer);
    CHandleSink written(out.GetHandle());
    CWriteBehind sink(written);
    return ConvertStream(options.mode == 0, source, sink, options, name);
}
