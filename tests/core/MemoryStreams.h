// Memory as the system's files, for the pumps, the record formats and the pipeline: a source of
// known size whose reads hand out at most `step` bytes (so blocks end anywhere) and fail from
// `failAt` on, and a sink whose writes fail from `failAt` on, as a full disk's do.
#pragma once

#include "core/ByteStreams.h"

#include <string.h>

#include <algorithm>
#include <string>

class MemoryFile : public CStreamSource
{
public:
    explicit MemoryFile(const std::string& data, size_t step = ~size_t(0), size_t failAt = ~size_t(0))
        : CStreamSource(nullptr), m_data(data), m_step(step), m_failAt(failAt)
    {
        SetSize(data.size());
    }
    size_t m_pos = 0;

protected:
    bool ReadSome(void* buffer, size_t capacity, size_t& got, unsigned& error) override
    {
        if (m_pos >= m_failAt) return error = 5, false;
        got = std::min({ capacity, m_step, m_data.size() - m_pos });
        memcpy(buffer, m_data.data() + m_pos, got);
        m_pos += got;
        return true;
    }
    unsigned MoveTo(uint64_t offset) override { return offset <= m_data.size() ? (m_pos = size_t(offset), 0) : 22; }

private:
    std::string m_data;
    size_t m_step, m_failAt;
};

class MemoryOutput : public CStreamSink
{
public:
    explicit MemoryOutput(size_t failAt = ~size_t(0)) : m_failAt(failAt) {}
    std::string m_data;

protected:
    bool WriteSome(const void* buffer, size_t size, size_t& written, unsigned& error) override
    {
        if (m_data.size() >= m_failAt) return error = 28, false;
        written = std::min(size, m_failAt - m_data.size());
        m_data.append(static_cast<const char*>(buffer), written);
        return true;
    }
    unsigned Empty() override { return m_data.clear(), 0; }

private:
    size_t m_failAt;
};
