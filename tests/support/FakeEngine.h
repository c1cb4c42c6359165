#pragma once
// An AudioEngine for tests: records every call and plays scripted files.
#include "AudioEngine.h"

#include <map>
#include <mutex>
#include <string>
#include <vector>

struct FakeTrack {
    std::optional<std::string> artist, title, album, track, genre, year, comment;
    std::int64_t lengthSeconds = 0;
    int sampleRate = 44100;
    std::uint32_t bitrateKbps = 128;
};

class FakeEngine : public AudioEngine {
  public:
    // Paths that open; any other path gives handle 0. Not to be changed while
    // another thread may read file facts.
    std::map<std::string, FakeTrack> files;
    // Every call as "Name arg1 arg2", in order.
    std::vector<std::string> calls;
    int devices = 1;
    std::int64_t position = 0; // bytes heard, the same for every stream

    struct Stream {
        std::string path;
        bool playing = false, paused = false, ended = false;
        bool missing = false; // no file stood at its path: its end syncs hear so at once
        StreamHandle follows = 0;
        bool joined = false; // it followed the stream before without a gap
        int volume = 100;
        float pan = 0;
        std::vector<EndCallback> endCallbacks;
    };
    std::map<StreamHandle, Stream> streams;
    std::map<FxHandle, ParamEqParams> effects;

    // Plays the stream to its end (or to its failure): it stops being active and its end syncs fire.
    void finishTrack(StreamHandle h, EndReason reason = EndReason::Played);
    int createCount(const std::string& path) const;
    // readFileFacts calls for the path, from any thread.
    int factReadCount(const std::string& path) const;
    void clearCalls() { calls.clear(); }

    bool openOutput(int sampleRate) override;
    void setDecodeAhead(int milliseconds) override;
    void closeOutput() override;
    int deviceCount() override;
    std::optional<std::string> loadPlugin(const std::string& path) override;
    StreamHandle Create(const std::string& path) override;
    StreamHandle Open(const std::string& path) override;
    StreamHandle OpenFollower(StreamHandle playing, const std::string& path) override;
    bool tookOver(StreamHandle follower) override;
    std::optional<StreamFacts> readFileFacts(const std::string& path) override;
    void Play(StreamHandle h) override;
    void Pause(StreamHandle h) override;
    void Stop(StreamHandle h) override;
    void ChannelFree(StreamHandle h) override;
    bool IsActiveChannel(StreamHandle h) override;
    void SetPosition(StreamHandle h, std::int64_t bytePos) override;
    std::int64_t heardPosition(StreamHandle h) override;
    std::int64_t SecToByte(StreamHandle h, double seconds) override;
    std::int64_t GetLength(StreamHandle h) override;
    std::int64_t GetAllTime(StreamHandle h) override;
    std::int64_t CurTime(StreamHandle h) override;
    std::int64_t CurTimeRevers(StreamHandle h) override;
    std::uint32_t GetBitrate(StreamHandle h) override;
    std::optional<ChannelInfo> streamInfo(StreamHandle h) override;
    bool readSpectrum(StreamHandle h, float* bins) override;
    void SetVolume(StreamHandle h, int percent) override;
    void setPan(StreamHandle h, float pan) override;
    std::optional<std::string> TagTitle(StreamHandle h) override;
    std::optional<std::string> TagArtist(StreamHandle h) override;
    std::optional<std::string> TagAlbum(StreamHandle h) override;
    std::optional<std::string> TagTrack(StreamHandle h) override;
    std::optional<std::string> TagGenre(StreamHandle h) override;
    std::optional<std::string> TagYear(StreamHandle h) override;
    std::optional<std::string> TagComment(StreamHandle h) override;
    SyncHandle notifyAtEnd(StreamHandle h, EndCallback callback) override;
    FxHandle addEffect(StreamHandle h, FxType type, int priority) override;
    void removeEffect(StreamHandle h, FxHandle fx) override;
    bool setEffectParameters(FxHandle fx, const ParamEqParams& params) override;
    std::optional<ParamEqParams> effectParameters(FxHandle fx) override;

  private:
    const FakeTrack* track(StreamHandle h) const;
    mutable std::mutex factReadsLock_;
    std::map<std::string, int> factReads_;
    void record(std::string call) { calls.push_back(std::move(call)); }
    std::uint32_t nextHandle_ = 1;
    std::map<FxHandle, StreamHandle> fxOwner_;
};
