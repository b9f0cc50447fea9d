// Pipeline.cpp: the read-ahead source, the write-behind sink, the thread each one starts, and the
// pumps over them. A wrapper's thread only calls the source or sink it wraps; the conversion's
// side lends the ring's blocks to the kernels or copies between them and a caller's buffer. Each
// side wakes the other only when that one waits, so blocks pass without a system call while both
// keep up.
#include "core/Pipeline.h"

#include <stdlib.h>
#include <string.h>

#ifndef _WIN32
#include <errno.h>
#endif

namespace {

#ifdef _WIN32
const unsigned kNoMemory = ERROR_NOT_ENOUGH_MEMORY;
#else
const unsigned kNoMemory = ENOMEM;
#endif

enum { kPage = 4096 };

// The blocks of the write-behind ring. Blocks of a MiB each way, four of them, and a thread that
// waits for room is woken with half of its ring free: it has time to wake up on a busy machine
// before the other side runs out (with 256 KiB and a wake at the first free block, the two sides
// spent half the time waiting on each other).
const size_t kWriteBlock = 1024 * 1024;

// Binary bytes the writer's pump encodes at a time: a few steps' text fills a block.
const size_t kBinaryStep = 64 * 1024;

// Holds the wrapper's lock for a scope.
class CHeld
{
public:
    explicit CHeld(CPipelineThread& thread) : m_thread(thread) { m_thread.Lock(); }
    ~CHeld() { m_thread.Unlock(); }
    CHeld(const CHeld&) = delete;
    CHeld& operator=(const CHeld&) = delete;

private:
    CPipelineThread& m_thread;
};

} // namespace

// ---- CPipelineThread ----

#ifdef _WIN32

CPipelineThread::CPipelineThread() : m_hThread(NULL), m_pBody(nullptr), m_pOwner(nullptr), m_bRunning(false)
{
    InitializeSRWLock(&m_lock);
    InitializeConditionVariable(&m_changed);
}

CPipelineThread::~CPipelineThread()
{
    Join();
}

bool CPipelineThread::Start(void (*body)(void*), void* owner)
{
    m_pBody = body;
    m_pOwner = owner;
    DWORD id = 0;
    m_hThread = CreateThread(NULL, 0, Main, this, 0, &id);
    m_bRunning = m_hThread != NULL;
    return m_bRunning;
}

// The thread's procedure: the bodies throw nothing (they catch what the wrapped stream throws),
// and nothing may cross this frame should one ever do.
DWORD WINAPI CPipelineThread::Main(void* param)
{
    CPipelineThread* self = static_cast<CPipelineThread*>(param);
    try {
        self->m_pBody(self->m_pOwner);
    } catch (...) {
    }
    return 0;
}

void CPipelineThread::Join()
{
    if (!m_bRunning) return;
    WaitForSingleObject(m_hThread, INFINITE);
    CloseHandle(m_hThread);
    m_hThread = NULL;
    m_bRunning = false;
}

void CPipelineThread::Lock() { AcquireSRWLockExclusive(&m_lock); }
void CPipelineThread::Unlock() { ReleaseSRWLockExclusive(&m_lock); }
void CPipelineThread::Wait() { SleepConditionVariableSRW(&m_changed, &m_lock, INFINITE, 0); }
void CPipelineThread::Wake() { WakeAllConditionVariable(&m_changed); }

#else

CPipelineThread::CPipelineThread() : m_thread(), m_pBody(nullptr), m_pOwner(nullptr), m_bRunning(false)
{
    pthread_mutex_init(&m_lock, nullptr);
    pthread_cond_init(&m_changed, nullptr);
}

CPipelineThread::~CPipelineThread()
{
    Join();
    pthread_cond_destroy(&m_changed);
    pthread_mutex_destroy(&m_lock);
}

bool CPipelineThread::Start(void (*body)(void*), void* owner)
{
    m_pBody = body;
    m_pOwner = owner;
    m_bRunning = pthread_create(&m_thread, nullptr, Main, this) == 0;
    return m_bRunning;
}

void* CPipelineThread::Main(void* param)
{
    CPipelineThread* self = static_cast<CPipelineThread*>(param);
    try {
        self->m_pBody(self->m_pOwner);
    } catch (...) {
    }
    return nullptr;
}

void CPipelineThread::Join()
{
    if (!m_bRunning) return;
    pthread_join(m_thread, nullptr);
    m_bRunning = false;
}

void CPipelineThread::Lock() { pthread_mutex_lock(&m_lock); }
void CPipelineThread::Unlock() { pthread_mutex_unlock(&m_lock); }
void CPipelineThread::Wait() { pthread_cond_wait(&m_changed, &m_lock); }
void CPipelineThread::Wake() { pthread_cond_broadcast(&m_changed); }

#endif

void CPipelineThread::Stop(bool& quit)
{
    if (!m_bRunning) return;
    {
        CHeld held(*this);
        quit = true;
        Wake();
    }
    Join();
}

// ---- CPipelineRing ----

CPipelineRing::~CPipelineRing()
{
    free(m_pMemory);
}

bool CPipelineRing::Allocate(size_t block, size_t slots)
{
    if (m_pMemory) return true;
    // Whole pages, so every block starts on one.
    m_nBlock = (block + kPage - 1) & ~size_t(kPage - 1);
    m_pMemory = malloc(slots * m_nBlock + kPage);
    if (!m_pMemory) return false;
    m_pBlocks = reinterpret_cast<unsigned char*>((reinterpret_cast<uintptr_t>(m_pMemory) + kPage - 1) &
                                                 ~uintptr_t(kPage - 1));
    return true;
}

// ---- CReadAhead ----

CReadAhead::CReadAhead(CStreamSource& in, CConversionObserver* observer) : CStreamSource(observer), m_in(in)
{
    if (in.GetSize()) SetSize(in.GetSize());
}

CReadAhead::~CReadAhead()
{
    m_thread.Stop(m_bQuit);
}

bool CReadAhead::Lend(const unsigned char*& data, size_t capacity, size_t& got)
{
    // Through Read, which asks the observer and keeps to the file's size.
    m_bLending = true;
    m_pLent = nullptr;
    const bool ok = Read(nullptr, capacity, got);
    m_bLending = false;
    data = m_pLent;
    return ok;
}

void CReadAhead::Body(void* self)
{
    static_cast<CReadAhead*>(self)->Work();
}

// The thread: fills free slots in order until the end, a failure, a pause or the quit.
void CReadAhead::Work()
{
    CHeld held(m_thread);
    for (;;) {
        while (!m_bQuit && (m_bPaused || m_bEnded || m_ring.m_nCount == CPipelineRing::kSlots)) m_thread.Wait();
        if (m_bQuit) return;
        const size_t slot = (m_ring.m_nFirst + m_ring.m_nCount) % CPipelineRing::kSlots;
        m_bBusy = true;
        m_thread.Unlock();
        size_t got = 0;
        bool ok = false;
        unsigned error = kNoMemory;
        // A source that throws (only an allocation could) fails the read, not the process.
        try {
            ok = m_in.Read(m_ring.Data(slot), m_ring.m_nBlock, got);
            error = ok ? 0 : m_in.GetError();
        } catch (...) {
        }
        m_thread.Lock();
        m_bBusy = false;
        m_ring.m_slots[slot] = CPipelineRing::Slot{ got, ok, error };
        m_bEnded = !ok || got == 0;
        // The conversion's side waits for a first slot, or for a pause to take hold.
        if (++m_ring.m_nCount == 1 || m_bPaused) m_thread.Wake();
    }
}

// Reading ahead starts with the second read, and only for a conversion that takes the blocks
// where they were read (Lend): one that copies each block into its own buffer (the record
// formats) lost more to the copies than it gained (measured), and a file that fits in one block
// never starts the thread. A pipe is always read straight: its writer is a program running beside
// this one, and a read ahead that waits on it could keep the conversion from ending.
bool CReadAhead::GoAhead()
{
    if (m_bAhead) return true;
    if (m_bNoThread || !m_bLending || m_nStraight == 0 || m_in.GetSize() == 0) return false;
    if (!m_thread.Running() &&
        (!m_ring.Allocate(m_in.BlockFor(kBlock)) || !m_thread.Start(Body, this))) {
        m_bNoThread = true;
        return false;
    }
    CHeld held(m_thread);
    m_bPaused = false;
    m_thread.Wake();
    m_bAhead = true;
    return true;
}

// The slot the last read used up goes back to the thread.
void CReadAhead::LetGo()
{
    if (!m_bUsedUp) return;
    m_bUsedUp = false;
    m_nTaken = 0;
    CHeld held(m_thread);
    m_ring.m_nFirst = (m_ring.m_nFirst + 1) % CPipelineRing::kSlots;
    // The thread waits for a slot only when every one was full; it is woken with half of them free,
    // so that it is reading again well before the conversion runs out.
    if (m_ring.m_nCount-- == CPipelineRing::kSlots / 2 + 1) m_thread.Wake();
}

bool CReadAhead::ReadSome(void* buffer, size_t capacity, size_t& got, unsigned& error)
{
    LetGo();
    if (!GoAhead()) {
        ++m_nStraight;
        if (m_bLending) {
            // Nothing is read ahead: the ring's first slot is free to lend.
            if (!m_ring.Allocate(m_in.BlockFor(kBlock))) {
                error = kNoMemory;
                return false;
            }
            m_pLent = m_ring.Data(m_ring.m_nFirst);
            buffer = m_ring.Data(m_ring.m_nFirst);
            if (capacity > m_ring.m_nBlock) capacity = m_ring.m_nBlock;
        }
        if (m_in.Read(buffer, capacity, got)) return true;
        error = m_in.GetError();
        return false;
    }
    CPipelineRing::Slot slot;
    {
        CHeld held(m_thread);
        while (m_ring.m_nCount == 0) m_thread.Wait();
        slot = m_ring.m_slots[m_ring.m_nFirst];
    }
    // A failure or the end stays in its slot: every later read meets it again.
    if (!slot.ok) {
        error = slot.error;
        return false;
    }
    got = slot.size - m_nTaken < capacity ? slot.size - m_nTaken : capacity;
    const unsigned char* from = m_ring.Data(m_ring.m_nFirst) + m_nTaken;
    if (m_bLending)
        m_pLent = from;
    else
        memcpy(buffer, from, got);
    m_nTaken += got;
    m_bUsedUp = slot.size > 0 && m_nTaken == slot.size;
    return true;
}

unsigned CReadAhead::MoveTo(uint64_t offset)
{
    if (m_bAhead) {
        CHeld held(m_thread);
        m_bPaused = true;
        while (m_bBusy) m_thread.Wait();
        m_ring.m_nFirst = m_ring.m_nCount = 0;
        m_bEnded = false;
        m_bAhead = false;
    }
    m_nTaken = 0;
    m_bUsedUp = false;
    m_nStraight = 0;
    // The thread is paused or was never started: the wrapped source is this thread's alone.
    return m_in.Seek(offset) ? 0 : m_in.GetError();
}

// ---- CWriteBehind ----

CWriteBehind::CWriteBehind(CStreamSink& out) : m_out(out)
{
}

CWriteBehind::~CWriteBehind()
{
    m_thread.Stop(m_bQuit);
}

void CWriteBehind::Body(void* self)
{
    static_cast<CWriteBehind*>(self)->Work();
}

// The thread: writes the handed slots in order. After a failure the rest are let go unwritten;
// at the quit, those not yet begun.
void CWriteBehind::Work()
{
    CHeld held(m_thread);
    for (;;) {
        while (!m_bQuit && m_ring.m_nCount == 0) m_thread.Wait();
        if (m_bQuit) return;
        const size_t slot = m_ring.m_nFirst;
        if (!m_nFailed) {
            m_bBusy = true;
            m_thread.Unlock();
            unsigned error = kNoMemory;
            // A sink that throws (only an allocation could) fails the write, not the process.
            try {
                error = m_out.Write(m_ring.Data(slot), m_ring.m_slots[slot].size) ? 0 : m_out.GetError();
            } catch (...) {
            }
            m_thread.Lock();
            m_bBusy = false;
            m_nFailed = error;
        }
        m_ring.m_nFirst = (slot + 1) % CPipelineRing::kSlots;
        // The conversion's side waits when every slot was taken (it is woken with half of them
        // free, and fills them while this thread writes the rest), or for the last one written.
        const size_t before = m_ring.m_nCount--;
        if (before == CPipelineRing::kSlots / 2 + 1 || before == 1) m_thread.Wake();
    }
}

bool CWriteBehind::Prepare(size_t block)
{
    // Written on the conversion's thread, the ring needs its first slot only.
    if (!m_ring.m_pMemory && (m_bNoMemory || !m_ring.Allocate(block, m_bNoThread ? 1 : CPipelineRing::kSlots)))
        m_bNoMemory = true;
    return !m_bNoMemory;
}

// Hands the slot being filled to the thread, which is started for the first one. The one slot of
// an output that never filled one is written here: a small file starts no thread.
void CWriteBehind::Hand(bool last)
{
    const size_t slot = m_nSlot, size = m_nFill;
    m_nFill = 0;
    if (!m_thread.Running() && (last || m_bNoThread || !m_thread.Start(Body, this))) {
        if (!last) m_bNoThread = true;
        if (!m_nFailed && !m_out.Write(m_ring.Data(slot), size)) m_nFailed = m_out.GetError();
        return;
    }
    m_nSlot = (slot + 1) % CPipelineRing::kSlots;
    CHeld held(m_thread);
    m_ring.m_slots[slot].size = size;
    if (++m_ring.m_nCount == 1) m_thread.Wake();
}

unsigned char* CWriteBehind::Room(size_t need)
{
    // Blocks of about a MiB, or a few steps' room where the steps are small (a small file).
    const size_t block = need < kWriteBlock / 4 ? 4 * need : need < kWriteBlock ? kWriteBlock : need;
    if (!Prepare(block) || need > m_ring.m_nBlock) return nullptr;
    if (m_ring.m_nBlock - m_nFill < need) Hand(false);
    if (m_nFill == 0 && m_thread.Running()) {
        CHeld held(m_thread);
        // Every slot handed: wait for the thread to write one.
        while (!m_nFailed && m_ring.m_nCount == CPipelineRing::kSlots) m_thread.Wait();
    }
    return m_ring.Data(m_nSlot) + m_nFill;
}

bool CWriteBehind::WriteSome(const void* buffer, size_t size, size_t& written, unsigned& error)
{
    // Bytes a kernel wrote at Room's pointer are in place already. Others pass straight on while
    // nothing waits in the ring (a writer that copies each block into the ring, as the record
    // formats would, loses more to the copies than it gains), else they are copied behind what
    // waits, once a slot is free.
    const bool inPlace = m_ring.m_pMemory && buffer == m_ring.Data(m_nSlot) + m_nFill;
    if (!inPlace && m_nFill == 0 && !m_thread.Running()) {
        if (!m_nFailed && m_out.Write(buffer, size)) {
            written = size;
            return true;
        }
        error = m_nFailed ? m_nFailed : m_out.GetError();
        return false;
    }
    if (!inPlace) Room(1);
    {
        CHeld held(m_thread);
        if (m_nFailed) {
            error = m_nFailed;
            return false;
        }
    }
    const size_t room = m_ring.m_nBlock - m_nFill;
    written = size < room ? size : room;
    if (!inPlace) memcpy(m_ring.Data(m_nSlot) + m_nFill, buffer, written);
    m_nFill += written;
    if (m_nFill == m_ring.m_nBlock) Hand(false);
    return true;
}

// Waits until the thread has written every handed slot or failed: 0, or the failure's number.
unsigned CWriteBehind::Settle()
{
    CHeld held(m_thread);
    while (m_thread.Running() && m_ring.m_nCount > 0) m_thread.Wait();
    return m_nFailed;
}

unsigned CWriteBehind::Drain()
{
    if (m_nFill) Hand(true);
    if (const unsigned error = Settle()) return error;
    return m_out.Flush() ? 0 : m_out.GetError();
}

unsigned CWriteBehind::Empty()
{
    // What was handed is written first: the thread never writes into a file being emptied.
    Settle();
    m_nFill = 0;
    {
        CHeld held(m_thread);
        m_nFailed = 0;
    }
    return m_out.Restart() ? 0 : m_out.GetError();
}

// ---- The pumps ----

PumpResult PumpTextToBinary(CReadAhead& in, CWriteBehind& out, HexKernel kernel, CFirstBlockWatcher* first)
{
    CHexReader reader(kernel);
    const size_t step = in.BlockFor(CReadAhead::kBlock), need = CHexReader::MaxOutput(step);
    for (;;) {
        const unsigned char* text = nullptr;
        size_t got = 0;
        if (!in.Lend(text, step, got)) return PumpReadFailed;
        if (first) first->OnFirstBlock(text, got, step);
        first = nullptr;
        if (got == 0) break;
        unsigned char* bytes = out.Room(need);
        if (!bytes) return PumpNoMemory;
        const size_t n = reader.Decode(text, got, bytes);
        if (n && !out.Write(bytes, n)) return PumpWriteFailed;
    }
    return out.Flush() ? PumpDone : PumpWriteFailed;
}

PumpResult PumpBinaryToText(CReadAhead& in, CWriteBehind& out, const HexLayout& layout, HexKernel kernel)
{
    CHexWriter writer(kernel, layout);
    if (!layout.bComments) out.WriteOnCaller();
    const size_t step = in.BlockFor(kBinaryStep), need = writer.MaxOutput(step);
    for (;;) {
        const unsigned char* bytes = nullptr;
        size_t got = 0;
        if (!in.Lend(bytes, step, got)) return PumpReadFailed;
        if (got == 0) break;
        char* text = reinterpret_cast<char*>(out.Room(need));
        if (!text) return PumpNoMemory;
        const size_t n = writer.Encode(bytes, got, text);
        if (n && !out.Write(text, n)) return PumpWriteFailed;
    }
    char* text = reinterpret_cast<char*>(out.Room(need));
    if (!text) return PumpNoMemory;
    const size_t n = writer.Finish(text);
    return (n && !out.Write(text, n)) || !out.Flush() ? PumpWriteFailed : PumpDone;
}
