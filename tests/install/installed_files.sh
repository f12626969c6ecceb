# Sourced by the install tests: every file an installed copy has, below the
# prefix (/usr), and nothing else. Needs gui (0 or 1) and app_id; sets
# installed_files.
installed_files=(
  bin/krcmd
  share/man/man1/krcmd.1
  share/bash-completion/completions/krcmd
  share/doc/kestrune/README.md
  share/doc/kestrune/network.md
)
if [ "$gui" = 1 ]; then
  installed_files+=(
    bin/kestrune
    share/man/man1/kestrune.1
    share/applications/$app_id.desktop
    share/icons/hicolor/scalable/apps/$app_id.svg
    share/metainfo/$app_id.metainfo.xml
    share/doc/kestrune/docs/main-window.png
    share/doc/kestrune/docs/users-query.png
    share/doc/kestrune/docs/browser.png
    share/doc/kestrune/docs/server-info.png
    share/doc/kestrune/docs/other-files.png
    share/doc/kestrune/docs/about-update.png
  )
fi
