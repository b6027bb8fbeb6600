#pragma once

namespace rangwerk {

// Counts one level more for the lifetime of the object. A window counts while it changes its
// own controls, so that the notifications those changes send are told apart from the user's.
class ScopedDepth {
public:
    explicit ScopedDepth(int& depth) : depth_(depth) { ++depth_; }
    ~ScopedDepth() { --depth_; }
    ScopedDepth(const ScopedDepth&) = delete;
    ScopedDepth& operator=(const ScopedDepth&) = delete;

private:
    int& depth_;
};

}  // namespace rangwerk
