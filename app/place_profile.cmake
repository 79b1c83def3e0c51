# Places the initial user profile beside the program. A profile already there holds the user's
# choices and is never replaced. The initial one is empty: the profile reader accepts it, and the
# phone step starts with nothing chosen.
if(NOT EXISTS "${PROFILE}" AND NOT IS_SYMLINK "${PROFILE}")
  file(WRITE "${PROFILE}" "")
endif()
