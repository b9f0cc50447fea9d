// Pipeline: the reads and writes of one conversion overlapped with it. While the conversion works
// on one block, a thread reads the next blocks of the input and another writes the last blocks of
// the output: a few blocks each way, whatever the file's size.
//   CReadAhead   - a source that reads a regular file ahead of the conversion
//   CWriteBehind - a sink that writes behind it
//   PumpTextToBinary, PumpBinaryToText - the pumps of HexCodec.h over the two, copying nothing
//   CFirstBlockWatcher - shown the first block of text (what the text looks like is judged on it)
// Each wrapper stands where the stream source or sink it wraps would stand. The pumps here let the
// kernels read and write the ring's blocks themselves; a loop that reads and writes through its
// own buffers (the record formats) is passed straight through, seeks and restarts included. A
// small file starts no thread: its one block is read and written on the conversion's thread.
// Errors keep their side and the platform's number: a failed read fails the source, a failed
// write the sink.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "core/ByteStreams.h"

#ifndef _WIN32
#include <pthread.h>
#endif

// The lock, the one condition both sides wait on, and the thread of one wrapper.
class CPipelineThread
{
public:
    CPipelineThread();
    ~CPipelineThread();
    CPipelineThread(const CPipelineThread&) = delete;
    CPipelineThread& operator=(const CPipelineThread&) = delete;

    // Starts body(owner) on a new thread: false when none could be started.
    bool Start(void (*body)(void*), void* owner);
    bool Running() const { return m_bRunning; }
    // Waits for the thread to end.
    void Join();
    // Sets quit (which the body reads locked), wakes the thread and waits for it to end; nothing
    // when none runs.
    void Stop(bool& quit);

    void Lock();
    void Unlock();
    // Called locked: sleeps until Wake, with the lock let go meanwhile.
    void Wait();
    void Wake();

private:
#ifdef _WIN32
    static DWORD WINAPI Main(void* param);
    SRWLOCK m_lock;
    CONDITION_VARIABLE m_changed;
    HANDLE m_hThread;
#else
    static void* Main(void* param);
    pthread_mutex_t m_lock;
    pthread_cond_t m_changed;
    pthread_t m_thread;
#endif
    void (*m_pBody)(void*);
    void* m_pOwner;
    bool m_bRunning;
};

// A ring of equal blocks between the conversion's thread and a wrapper's thread, allocated once
// and page-aligned (the system copies to and from page-aligned memory faster). The conversion's
// side owns the slots that are not handed; the other side owns the handed ones.
struct CPipelineRing
{
    struct Slot {
        size_t size;
        bool ok;
        unsigned error;
    };
    enum { kSlots = 4 };

    ~CPipelineRing();
    // Once: slots blocks of at least block bytes each.
    bool Allocate(size_t block, size_t slots = kSlots);
    unsigned char* Data(size_t slot) const { return m_pBlocks + slot * m_nBlock; }

    void* m_pMemory = nullptr;
    unsigned char* m_pBlocks = nullptr;
    size_t m_nBlock = 0;
    Slot m_slots[kSlots] = {};
    size_t m_nFirst = 0;  // the oldest slot handed from one side to the other
    size_t m_nCount = 0;  // slots handed and not yet taken back
};

class CReadAhead : public CStreamSource
{
public:
    // The blocks read ahead, of which the text-to-binary pump decodes one at a time.
    enum { kBlock = 1024 * 1024 };

    // Reads in, which stays the caller's and has no observer of its own; observer is told of
    // every block as the conversion takes it, on the conversion's thread.
    explicit CReadAhead(CStreamSource& in, CConversionObserver* observer = nullptr);
    ~CReadAhead() override;
    size_t BlockFor(size_t block) const override { return m_in.BlockFor(block); }

    // Read without a copy: data points at up to capacity bytes of the input where they were read,
    // valid until the next read or seek. got 0 at the end, as for Read.
    bool Lend(const unsigned char*& data, size_t capacity, size_t& got);

protected:
    bool ReadSome(void* buffer, size_t capacity, size_t& got, unsigned& error) override;
    // Drops what was read ahead; the reading goes on from offset once the conversion reads on.
    unsigned MoveTo(uint64_t offset) override;

private:
    static void Body(void* self);
    void Work();
    bool GoAhead();
    void LetGo();

    CStreamSource& m_in;
    CPipelineThread m_thread;
    CPipelineRing m_ring;
    const unsigned char* m_pLent = nullptr;
    bool m_bLending = false;
    size_t m_nTaken = 0;       // bytes of the first slot given to the conversion
    bool m_bUsedUp = false;    // all of them: the slot goes back to the thread at the next read
    unsigned m_nStraight = 0;  // reads straight through since the start or the last seek
    bool m_bAhead = false;     // the thread reads: the conversion takes from the ring
    bool m_bNoThread = false;  // every read goes straight through
    // Shared with the thread, under its lock.
    bool m_bPaused = false;
    bool m_bBusy = false;      // the thread is reading
    bool m_bEnded = false;     // the thread has read the end or failed
    bool m_bQuit = false;
};

class CWriteBehind : public CStreamSink
{
public:
    // Writes to out, which stays the caller's.
    explicit CWriteBehind(CStreamSink& out);
    // Ends the thread; what was not flushed is dropped (the conversion failed).
    ~CWriteBehind() override;

    // Write without a copy: room for need bytes in a block, which Write(room, n) then hands on as
    // they are. The first call sets the blocks' size; nullptr when there is no memory for them.
    unsigned char* Room(size_t need);
    // Writes each block on the conversion's thread as it fills, with no thread behind: for a text
    // that costs the system more to take than the conversion to make (see PumpBinaryToText).
    void WriteOnCaller() { m_bNoThread = true; }

protected:
    bool WriteSome(const void* buffer, size_t size, size_t& written, unsigned& error) override;
    // Waits for the writes under way and empties the output.
    unsigned Empty() override;
    // Writes the rest and waits for every write: 0, or the number of the first that failed.
    unsigned Drain() override;

private:
    static void Body(void* self);
    void Work();
    bool Prepare(size_t block);
    void Hand(bool last);
    unsigned Settle();

    CStreamSink& m_out;
    CPipelineThread m_thread;
    CPipelineRing m_ring;
    size_t m_nSlot = 0;        // the slot being filled
    size_t m_nFill = 0;        // and its bytes
    bool m_bNoThread = false;  // every full slot is written on the conversion's thread
    bool m_bNoMemory = false;  // no ring: every write goes straight through
    // Shared with the thread, under its lock (the conversion's side alone while none runs).
    bool m_bBusy = false;
    bool m_bQuit = false;
    unsigned m_nFailed = 0;    // the first write that failed: its number
};

// Shown the first block a pump reads, before it is converted, and how much was asked for.
class CFirstBlockWatcher
{
public:
    virtual ~CFirstBlockWatcher() {}
    virtual void OnFirstBlock(const unsigned char* block, size_t got, size_t asked) = 0;
};

PumpResult PumpTextToBinary(CReadAhead& in, CWriteBehind& out, HexKernel kernel = HexKernelBest,
                            CFirstBlockWatcher* first = nullptr);
// Reads ahead. Lines with comments are written behind: their encoding costs about what writing
// them does, and overlapping the two took them from 81-87 % of the files' floor to 100-109 %.
// Other text is written on the conversion's thread: three times the bytes, cheap to make, and
// writing it from another processor cost more than the encoding it would hide (measured on two
// cores: the same elapsed time at 10-20 % more processor time, slower on a busy machine).
PumpResult PumpBinaryToText(CReadAhead& in, CWriteBehind& out, const HexLayout& layout = HexLayout(),
                            HexKernel kernel = HexKernelBest);
