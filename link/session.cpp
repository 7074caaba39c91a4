#include "link/session.h"

#include "kestrel.h"

#include "link/serial_engine.h"
#include "link/usb_engine.h"

namespace kestrel::link {

LinkSession& session() {
    static LinkSession the_session;
    return the_session;
}

int Link_Transact() {
    LinkSession& s = session();
    if (s.transport == Transport::usb) return Usb_Transact(s);
    return Serial_Transact(s);
}

}  // namespace kestrel::link

// The public header promises callers this reply capacity.
static_assert(kestrel::link::kDataCapacity == KESTREL_MAX_REPLY_DATA);
