#pragma once

class QUrl;

// Opens an address (web page or local file) with the user's default program. False when no
// program took it.
bool OpenAddress(const QUrl &url);
