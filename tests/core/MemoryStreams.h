// Memory as files: a source of known size whose reads hand out at most `step` bytes (so blocks end
// anywhere) and that can go back, and a sink that can start over.
#pragma once

#include "core/ByteStreams.h"

#include <string.h>

#include <algorithm>
#include <string>

class MemoryFile : public CStreamSource
{
public:
    explicit MemoryFile(const std::string& data, size_t step = ~size_t(0))
        : CStreamSource(nullptr), m_data(data), m_step(step)
    {
        SetSize(data.size());
    }

protected:
    bool ReadSome(void* buffer, size_t capacity, size_t& got, unsigned&) override
    {
        got = std::min({ capacity, m_step, m_data.size() - m_pos });
        memcpy(buffer, m_data.data() + m_pos, got);
        m_pos += got;
        return true;
    }
    unsigned MoveTo(uint64_t offset) override { return offset <= m_data.size() ? (m_pos = size_t(offset), 0) : 22; }

private:
    std::string m_data;
    size_t m_step, m_pos = 0;
};

class MemoryOutput : public CStreamSink
{
public:
    std::string m_data;

protected:
    bool WriteSome(const void* buffer, size_t size, size_t& written, unsigned&) override
    {
        m_data.append(static_cast<const char*>(buffer), written = size);
        return true;
    }
    unsigned Empty() override { return m_data.clear(), 0; }
};
