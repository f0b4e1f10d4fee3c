#pragma once

// Overlaps the steps of one locker operation. The calling thread fills a
// small ring of fixed buffers with the payload stream, in order; each stage
// (the MAC, the writer) runs on a thread of its own and sees every chunk, in
// order, without changing it. A buffer is filled again only when every stage
// is done with it, so memory stays at ChunkCount × ChunkSize at any size.
//
// Progress, cancel and every decision stay on the calling thread; the stages
// only compute and write. A failing stage stops at its chunk; the calling
// thread gets that failure from the next Current() or from Finish().

#include "security/uSecurityUtils.h"

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace vk {

// The size of one chunk, and so of every payload write and read call.
// Measured with vk_bench --sweep-io on the development machine (2 cores
// shared, load average 6-7; 1 GiB written to a fresh file with the buffer
// filled anew before each call, then read back; wall s, median of 5 rounds):
//   call size   64 KiB 128 KiB 256 KiB 512 KiB 1 MiB 2 MiB 4 MiB
//   write         0.36    0.32    0.44    0.67  0.63  0.44  0.30
//   read          0.17    0.13    0.11    0.11  0.10  0.10  0.11
// Writes spread more between rounds than between sizes (0.23-1.9 s at 512 KiB
// and 1 MiB; at best 0.27 s at 256 KiB, 0.23 s at 1 MiB), so no size wins
// writing clearly; reads gain little above 256 KiB. 256 KiB keeps the whole
// ring at 4 MiB and each chunk within the processor's cache between AES, HMAC
// and write. The spread is the machine's, not the call size's: this virtual
// machine hands memory that has been free for about two seconds back to its
// host, and filling it again costs about 1 s per GiB (dd of 1 GiB: 0.2 s
// right after an earlier copy was deleted, 0.8-1.9 s after a pause, with 1 MiB
// and 4 MiB calls alike).
inline constexpr std::size_t ChunkSize = 256 * 1024;
// Enough chunks for the slowest stage to run on while the calling thread
// fills the next ones; ChunkCount × ChunkSize is the ring's whole memory.
inline constexpr std::size_t ChunkCount = 16;
// A side that has to wait (the caller for a free buffer, a stage for a chunk)
// is woken when this many are ready, not at each one. On the development
// machine (a virtual machine, where waking a thread is expensive) a wake-up
// per chunk in both directions cost 7-8 % of the processor time of a 1 GiB
// creation or verification.
inline constexpr std::size_t WakeBatch = ChunkCount / 2;

class TChunkPipeline {
public:
    using Stage = std::function<void(const std::uint8_t* data, std::size_t size)>;

    // Starts one thread per stage.
    explicit TChunkPipeline(std::vector<Stage> stages);
    // Stops the stages where they are (chunks not yet seen are dropped) and
    // wipes the buffers.
    ~TChunkPipeline();
    TChunkPipeline(const TChunkPipeline&) = delete;
    TChunkPipeline& operator=(const TChunkPipeline&) = delete;

    // The buffer to fill next, ChunkSize bytes; waits until every stage is
    // done with its previous contents. Raises a stage's failure.
    std::uint8_t* Current();
    // Hands the first size bytes of Current() to every stage. The buffer may
    // still be read by the caller until the next Current().
    void Publish(std::size_t size);
    // Waits until every stage has seen every chunk published, then raises
    // the first stage failure, if any. Also the way to end after a failure of
    // the caller's own: a stage failure earlier in the stream takes its place.
    void Finish();

private:
    void RunStage(std::size_t index);
    void StopStages();
    void JoinStages();
    std::uint64_t OldestInUse() const;

    std::vector<Bytes> FBuffers;
    std::vector<std::size_t> FSizes;
    std::vector<Stage> FStages;
    std::vector<std::thread> FThreads;

    // Under FLock: whether the caller may fill a buffer now, after waiting
    // for a batch of them; whether stage index has a chunk to take, after
    // waiting for a batch (or the end).
    bool SpaceFor(bool waited) const;
    bool WorkFor(std::size_t index, bool waited) const;

    std::mutex FLock;
    std::condition_variable FSpaceFreed; // the caller waits on it
    std::condition_variable FWorkReady;  // the stages wait on it
    std::uint64_t FPublished = 0;        // chunks handed to the stages
    std::vector<std::uint64_t> FSeen;    // per stage: chunks it is done with
    std::vector<char> FStageWaiting;     // per stage: waiting for a batch
    bool FCallerWaiting = false;         // the caller waits for a batch of buffers
    bool FClosed = false;                // no more chunks will come
    bool FStopping = false;              // stages end at once
    std::exception_ptr FFailure;         // the first stage failure
};

} // namespace vk
