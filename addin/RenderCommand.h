// Pieces of the Render command that are worth naming on their own.
#pragma once

#include <cstdint>
#include <string>

namespace orv {
class RepeatLinkFactory;
}

namespace addin {

// The renderer version range the command asks for.
inline constexpr int kRenderMinVersion = 9;
inline constexpr int kRenderMaxVersion = 10;

// "Fusion 360, 0x12c" for process 300: the attribute that tells the renderer
// which host sent the scene.
std::string processIdentifierText(int64_t processId);

// How long to wait for a renderer the command launched. The defaults are
// 19 polls a second apart; the environment variables LUMIVEX_LAUNCH_POLLS
// (polls plus one) and LUMIVEX_POLL_INTERVAL_MS let tests and scripts wait
// in smaller steps. Values that are not whole numbers are ignored.
void applyLaunchPolling(orv::RepeatLinkFactory& factory);

}  // namespace addin
