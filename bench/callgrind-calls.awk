# Sums the calls made to the function named exactly NAME in a callgrind output file:
#   awk -v name='TForm1::Timer1Timer(TObject*)' -f bench/callgrind-calls.awk callgrind.out
/^c?fn=\(/ {
  match($0, /\([0-9]+\)/)
  id = substr($0, RSTART, RLENGTH)
  rest = substr($0, RSTART + RLENGTH + 1)
  if (rest != "") names[id] = rest
  if ($0 ~ /^cfn=/) callee = id
  next
}
/^calls=/ {
  split(substr($0, 7), field, " ")
  calls[callee] += field[1]
}
END {
  for (id in calls)
    if (names[id] == name) total += calls[id]
  print total + 0
}
