# An empty folder DIR, made anew.
file(REMOVE_RECURSE ${DIR})
file(MAKE_DIRECTORY ${DIR})
