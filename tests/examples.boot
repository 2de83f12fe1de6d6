# What each example program must do on a PDP-1, worked out by hand from
# its listing: the address after its halt, the text it types ('-' for
# none) and the words it must leave in memory, as address=word in octal.
# The memory includes each program's hlt: MAME stops on an undefined word
# (0) as on a hlt, at the same place, so a hlt that went astray on the
# tape would pass unseen there. And each tyo: MAME types from a tyo whose
# wait bit was lost (720003), where simh drops the letter.
#
# example  halts at  typed  memory
hello      113       hello  200=70 201=65 202=43 203=43 204=46 101=730003 103=730003 105=730003 107=730003 111=730003 112=760400
sum        17        -      17=0 20=67 21=1 4=700012 16=760400
top        7774      -      7775=777 7776=123 7777=654 7770=207776 7773=760400
copy       120       -      300=11 301=22 302=33 303=44 102=200204 103=240304 120=0 117=760400
