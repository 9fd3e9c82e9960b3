target_sources(tovrin_windows PRIVATE
  about_window.cpp
  completion_sound.cpp
  file_choosers.cpp
  password_dialog.cpp
  resume_dialog.cpp
  settings_dialog.cpp)
