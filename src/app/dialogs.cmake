target_sources(tovrin_windows PRIVATE
  about_window.cpp
  completion_sound.cpp
  file_choosers.cpp
  open_location_window.cpp
  password_dialog.cpp
  preview_about_window.cpp
  preview_monitor.cpp
  resume_dialog.cpp
  schedule_editor.cpp
  schedule_window.cpp
  settings_dialog.cpp)
# The about picture and the window icon, compiled in so that every copy of the
# program finds them.
qt_add_resources(tovrin_windows tovrin_assets
  PREFIX /tovrin
  BASE ${PROJECT_SOURCE_DIR}/assets
  FILES ${PROJECT_SOURCE_DIR}/assets/about.jpg ${PROJECT_SOURCE_DIR}/assets/icons/tovrin-32.png
        ${PROJECT_SOURCE_DIR}/assets/icons/tovrin-256.png)
