#pragma once

// Whether the operating system reports a reachable internet connection. When it cannot tell
// (no network information service), the computer counts as offline.
bool IsOnline();
