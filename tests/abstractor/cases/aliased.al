; lines of the alias file
= q qq
bogus line
