#pragma once

namespace vexa_callstream {
// libavcodec reports every encoder setting and every damaged frame on standard error at its
// default level; keep only errors unless someone chose a level already.
void quiet_av_log();
}  // namespace vexa_callstream
