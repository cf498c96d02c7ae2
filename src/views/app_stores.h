#pragma once

class SessionStore;
class RadioSession;
class AudioFXService;
class FriendsStore;
class BlockStore;
class ThemeStore;
class WorkplaceStore;
class VoiceFilterStore;
class AlertSoundStore;
class ChatUnreadStore;

// The long-lived stores, created once by the main view in this order and
// handed to every screen explicitly. Screens never own or replace them.
struct AppStores {
    SessionStore* session = nullptr;
    RadioSession* radio = nullptr;
    AudioFXService* sfx = nullptr;
    FriendsStore* friends = nullptr;
    BlockStore* blocks = nullptr;
    ThemeStore* theme = nullptr;
    WorkplaceStore* workplace = nullptr;
    VoiceFilterStore* voiceFilters = nullptr;
    AlertSoundStore* alertSounds = nullptr;
    // The chat lines seen on the radio screen; beside `radio`, which it reads.
    ChatUnreadStore* chatUnread = nullptr;
};
