#include "locker/ChunkPipeline.h"

#include <algorithm>

namespace vk {

TChunkPipeline::TChunkPipeline(std::vector<Stage> stages)
    : FBuffers(ChunkCount, Bytes(ChunkSize)), FSizes(ChunkCount, 0), FStages(std::move(stages)),
      FSeen(FStages.size(), 0), FStageWaiting(FStages.size(), 0) {
    FThreads.reserve(FStages.size());
    try {
        for (std::size_t index = 0; index < FStages.size(); ++index)
            FThreads.emplace_back(&TChunkPipeline::RunStage, this, index);
    } catch (...) {
        StopStages();
        throw;
    }
}

TChunkPipeline::~TChunkPipeline() {
    StopStages();
    for (Bytes& buffer : FBuffers)
        SecureWipe(buffer);
}

void TChunkPipeline::StopStages() {
    {
        std::lock_guard<std::mutex> lock(FLock);
        FStopping = true;
    }
    FWorkReady.notify_all();
    JoinStages();
}

void TChunkPipeline::JoinStages() {
    for (std::thread& thread : FThreads)
        if (thread.joinable())
            thread.join();
}

std::uint64_t TChunkPipeline::OldestInUse() const {
    return FSeen.empty() ? FPublished : *std::min_element(FSeen.begin(), FSeen.end());
}

bool TChunkPipeline::SpaceFor(bool waited) const {
    const std::uint64_t inUse = FPublished - OldestInUse();
    return waited ? inUse + WakeBatch <= ChunkCount : inUse < ChunkCount;
}

bool TChunkPipeline::WorkFor(std::size_t index, bool waited) const {
    const std::uint64_t ready = FPublished - FSeen[index];
    return waited ? ready >= WakeBatch || (FClosed && ready > 0) : ready > 0;
}

std::uint8_t* TChunkPipeline::Current() {
    std::unique_lock<std::mutex> lock(FLock);
    if (!FFailure && !SpaceFor(false)) {
        FCallerWaiting = true;
        FSpaceFreed.wait(lock, [this] { return FFailure || SpaceFor(true); });
        FCallerWaiting = false;
    }
    if (FFailure)
        std::rethrow_exception(FFailure);
    return FBuffers[FPublished % ChunkCount].data();
}

void TChunkPipeline::Publish(std::size_t size) {
    bool wake = false;
    {
        std::lock_guard<std::mutex> lock(FLock);
        FSizes[FPublished % ChunkCount] = size;
        ++FPublished;
        for (std::size_t index = 0; index < FStages.size(); ++index)
            wake = wake || (FStageWaiting[index] && WorkFor(index, true));
    }
    if (wake)
        FWorkReady.notify_all();
}

void TChunkPipeline::Finish() {
    {
        std::lock_guard<std::mutex> lock(FLock);
        FClosed = true;
    }
    FWorkReady.notify_all();
    JoinStages();
    if (FFailure)
        std::rethrow_exception(FFailure);
}

void TChunkPipeline::RunStage(std::size_t index) {
    for (;;) {
        std::uint64_t chunk = 0;
        {
            std::unique_lock<std::mutex> lock(FLock);
            if (!FStopping && !WorkFor(index, false)) {
                FStageWaiting[index] = 1;
                FWorkReady.wait(lock, [&] { return FStopping || FClosed || WorkFor(index, true); });
                FStageWaiting[index] = 0;
            }
            if (FStopping || FSeen[index] == FPublished)
                return; // stopped, or closed with every chunk seen
            chunk = FSeen[index];
        }
        // The chunk is not written again before this stage is done with it.
        const std::size_t slot = chunk % ChunkCount;
        try {
            FStages[index](FBuffers[slot].data(), FSizes[slot]);
        } catch (...) {
            {
                std::lock_guard<std::mutex> lock(FLock);
                if (!FFailure)
                    FFailure = std::current_exception();
            }
            FSpaceFreed.notify_all();
            return;
        }
        bool wake = false;
        {
            std::lock_guard<std::mutex> lock(FLock);
            ++FSeen[index];
            wake = FCallerWaiting && SpaceFor(true);
        }
        if (wake)
            FSpaceFreed.notify_all();
    }
}

} // namespace vk
