#pragma once

// What the windowed program's subsystems share of the client: the one
// directory-services context (replaced by a tree login) and the current server
// connection (replaced by every successful path resolution of a query or a
// file listing, read by the connection actions). The window owns one and hands
// it to the query, the browser and the actions, so none of them reaches into
// the window for it.

#include "platform/nwclient.h"

struct ClientSession {
    DSContext dsContext = 0;
    ConnHandle currentConn = 0;
};
