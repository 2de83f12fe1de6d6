# What each example program must do on a PDP-1, worked out by hand from
# its listing: the address after its halt, the text it types ('-' for
# none) and the words it must leave in memory, as address=word in octal.
#
# example  halts at  typed  memory
hello      113       hello  200=70 201=65 202=43 203=43 204=46 101=730003 112=760400
sum        17        -      17=0 20=67 21=1 4=700012
top        7774      -      7775=777 7776=123 7777=654 7770=207776
copy       120       -      300=11 301=22 302=33 303=44 102=200204 103=240304 120=0
