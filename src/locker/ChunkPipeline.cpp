#include "locker/ChunkPipeline.h"

#include <algorithm>

namespace vk {

TChunkPipeline::TChunkPipeline(std::vector<Stage> stages)
    : FBuffers(ChunkCount, Bytes(ChunkSize)), FSizes(ChunkCount, 0), FStages(std::move(stages)),
      FSeen(FStages.size(), 0) {
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
    FChanged.notify_all();
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

std::uint8_t* TChunkPipeline::Current() {
    std::unique_lock<std::mutex> lock(FLock);
    FChanged.wait(lock, [this] { return FFailure || FPublished - OldestInUse() < ChunkCount; });
    if (FFailure)
        std::rethrow_exception(FFailure);
    return FBuffers[FPublished % ChunkCount].data();
}

void TChunkPipeline::Publish(std::size_t size) {
    {
        std::lock_guard<std::mutex> lock(FLock);
        FSizes[FPublished % ChunkCount] = size;
        ++FPublished;
    }
    FChanged.notify_all();
}

void TChunkPipeline::Finish() {
    {
        std::lock_guard<std::mutex> lock(FLock);
        FClosed = true;
    }
    FChanged.notify_all();
    JoinStages();
    if (FFailure)
        std::rethrow_exception(FFailure);
}

void TChunkPipeline::RunStage(std::size_t index) {
    for (;;) {
        std::uint64_t chunk = 0;
        {
            std::unique_lock<std::mutex> lock(FLock);
            FChanged.wait(lock, [&] { return FStopping || FClosed || FSeen[index] < FPublished; });
            if (FStopping || FSeen[index] == FPublished)
                return; // stopped, or closed with every chunk seen
            chunk = FSeen[index];
        }
        // The chunk is not written again before this stage is done with it.
        const std::size_t slot = chunk % ChunkCount;
        try {
            FStages[index](FBuffers[slot].data(), FSizes[slot]);
        } catch (...) {
            std::lock_guard<std::mutex> lock(FLock);
            if (!FFailure)
                FFailure = std::current_exception();
            FChanged.notify_all();
            return;
        }
        {
            std::lock_guard<std::mutex> lock(FLock);
            ++FSeen[index];
        }
        FChanged.notify_all();
    }
}

} // namespace vk
