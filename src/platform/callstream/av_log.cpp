#include "platform/callstream/av_log.hpp"

#include <mutex>

extern "C" {
#include <libavutil/log.h>
}

namespace vexa_callstream {

void quiet_av_log() {
  static std::once_flag once;
  std::call_once(once, [] {
    if (av_log_get_level() == AV_LOG_INFO) av_log_set_level(AV_LOG_ERROR);
  });
}

}  // namespace vexa_callstream
