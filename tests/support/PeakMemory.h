// How far this process's resident memory rises above where it stood when
// measuring began (Linux: the kernel's peak is reset for it).
#pragma once

#include <cstdint>
#include <fstream>
#include <string>

#ifdef __has_feature
#define QM_HAS_FEATURE(f) __has_feature(f)
#else
#define QM_HAS_FEATURE(f) 0
#endif

namespace testsupport {

class PeakMemory {
  public:
    PeakMemory() {
        std::ofstream reset("/proc/self/clear_refs");
        measured_ = !kUnderAsan && reset << "5" << std::flush;  // the peak starts again now
        start_ = Kb("VmRSS:");
    }
    // False where the peak could not be reset, or under AddressSanitizer,
    // which keeps freed memory aside, resident, for a while.
    bool Measured() const { return measured_; }
    // The highest resident memory since, above the start, in bytes.
    std::int64_t Rise() const { return (Kb("VmHWM:") - start_) * 1024; }

  private:
    static std::int64_t Kb(const std::string& field) {
        std::ifstream status("/proc/self/status");
        std::string key;
        std::int64_t kb = 0;
        while (status >> key) {
            if (key == field && status >> kb) return kb;
        }
        return 0;
    }
#if defined(__SANITIZE_ADDRESS__) || QM_HAS_FEATURE(address_sanitizer)
    static constexpr bool kUnderAsan = true;
#else
    static constexpr bool kUnderAsan = false;
#endif
    bool measured_ = false;
    std::int64_t start_ = 0;
};

}  // namespace testsupport
