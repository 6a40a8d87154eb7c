// The sound room's door: the operations that engine start-up, shutdown, the window
// procedure, message processing and the entry layer call. Until the sound subsystem is
// built, sound_absent.cpp answers them as "sound not up": start-up reports no sound
// device, and every handle operation fails.
#pragma once

int InitializeSoundSystem();
int TerminateSoundSystem();
int StopCurrentMusic();
int RefillAllStreamSounds();
int PollMusicPlayState();
int HandleMciNotify();
int LoadSoundFile(const char* file_name, int buffer_count, int shared_stream);
int PlaySoundHandle(int sound, int play_type, int from_top);
int StopSoundHandle(int sound);
