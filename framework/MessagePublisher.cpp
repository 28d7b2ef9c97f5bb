// The message publisher's wide-character-pointer adapters, exported by the plug-in.
#include "host/MessagePublisher.h"

#include "framework/AdapterText.h"

bool MessagePublisher::unsubscribe(const wchar_t* name) {
    return unsubscribe(AdapterText(name, "MessagePublisher::unsubscribe"));
}

bool MessagePublisher::unsubscribe(const wchar_t* name, const wchar_t* tag) {
    return unsubscribe(AdapterText(name, "MessagePublisher::unsubscribe"),
                       AdapterText(tag, "MessagePublisher::unsubscribe"));
}
