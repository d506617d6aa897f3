#include "platform/soundsystem.h"

#include <alsa/asoundlib.h>

#include <cstdlib>
#include <cstring>

namespace platform {

namespace {

// PortAudio's ALSA device scan aborts the whole program on an assertion when
// ALSA defines neither a "default" nor a "dmix" PCM (an empty or broken ALSA
// set-up).
bool AlsaCanBeScanned()
{
    snd_config_t* top = nullptr;
    if (snd_config_update_ref(&top) < 0)
        return false;
    bool found = false;
    snd_config_t* pcms = nullptr;
    if (snd_config_search(top, "pcm", &pcms) >= 0) {
        snd_config_iterator_t i, next;
        snd_config_for_each(i, next, pcms)
        {
            const char* id = nullptr;
            if (snd_config_get_id(snd_config_iterator_entry(i), &id) >= 0 && id &&
                (std::strcmp(id, "default") == 0 || std::strcmp(id, "dmix") == 0))
                found = true;
        }
    }
    snd_config_unref(top);
    return found;
}

} // namespace

bool PrepareSoundSystem()
{
    // A JACK client would otherwise try to start a server of its own.
    setenv("JACK_NO_START_SERVER", "1", 0);
    return AlsaCanBeScanned();
}

} // namespace platform
