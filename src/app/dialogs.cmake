target_sources(tovrin_windows PRIVATE
  about_window.cpp
  completion_sound.cpp
  file_choosers.cpp
  open_location_window.cpp
  password_dialog.cpp
  preview_about_window.cpp
  preview_monitor.cpp
  resume_dialog.cpp
  settings_dialog.cpp)
# The about picture, compiled in so that every copy of the program finds it.
qt_add_resources(tovrin_windows tovrin_assets
  PREFIX /tovrin
  BASE ${PROJECT_SOURCE_DIR}/assets
  FILES ${PROJECT_SOURCE_DIR}/assets/about.jpg)
