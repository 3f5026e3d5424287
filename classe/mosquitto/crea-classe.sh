#!/usr/bin/env bash
# Makes what a class needs on the school's Mosquitto and on every bench: a
# certificate authority and the broker's certificate, a user and a password
# for each bench and for the teacher, the ACL, and the settings file each PC
# gets as /etc/lumetto/classe.conf. Nothing is installed: the files land in
# one folder, with a LEGGIMI.txt that says where each goes.
set -euo pipefail

qui="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"

uso() {
  cat <<'FINE'
uso: crea-classe.sh --classe NOME --broker HOST [opzioni]
  --classe NOME        la classe (es. 3B): il secondo livello di ogni argomento
  --broker HOST        il nome o l'indirizzo con cui i banchi raggiungono il broker
  --banchi N           banchi da banco01 a bancoN (predefinito 12)
  --nomi "A B ..."     oppure i nomi dei banchi, uno per uno
  --porta N            la porta TLS del broker (predefinita 8883)
  --cartella DIR       dove scrivere (predefinita ./lumetto-classe-NOME; non deve esistere)
  --percorso-broker D  dove staranno i file del broker (predefinito /etc/mosquitto/lumetto)
I nomi di classe e banchi: lettere, cifre, "-", "_", "." (al massimo 64).
FINE
}

classe="" broker="" banchi=12 nomi="" porta=8883 cartella="" percorso=/etc/mosquitto/lumetto
while [ $# -gt 0 ]; do
  case "$1" in
    --classe) classe="${2:-}"; shift 2 ;;
    --broker) broker="${2:-}"; shift 2 ;;
    --banchi) banchi="${2:-}"; shift 2 ;;
    --nomi) nomi="${2:-}"; shift 2 ;;
    --porta) porta="${2:-}"; shift 2 ;;
    --cartella) cartella="${2:-}"; shift 2 ;;
    --percorso-broker) percorso="${2:-}"; shift 2 ;;
    -h|--help) uso; exit 0 ;;
    *) echo "crea-classe.sh: opzione sconosciuta: $1" >&2; uso >&2; exit 2 ;;
  esac
done

errore() { echo "crea-classe.sh: $*" >&2; exit 2; }
# One topic level a shell, an ACL line and a file name all take as it is.
nomevalido() { [[ "$1" =~ ^[A-Za-z0-9._-]{1,64}$ ]] && [ "$1" != . ] && [ "$1" != .. ]; }

[ -n "$classe" ] || { uso >&2; exit 2; }
[ -n "$broker" ] || errore "manca --broker: il nome con cui i banchi raggiungono il broker"
nomevalido "$classe" || errore "nome di classe non valido: «$classe»"
[[ "$porta" =~ ^[0-9]{1,5}$ ]] && [ "$porta" -ge 1 ] && [ "$porta" -le 65535 ] ||
  errore "porta non valida: «$porta»"
[[ "$broker" =~ ^[A-Za-z0-9.:-]+$ ]] || errore "nome del broker non valido: «$broker»"
if [ -z "$nomi" ]; then
  [[ "$banchi" =~ ^[0-9]+$ ]] && [ "$banchi" -ge 1 ] && [ "$banchi" -le 99 ] ||
    errore "--banchi vuole un numero da 1 a 99"
  for i in $(seq 1 "$banchi"); do nomi+="$(printf 'banco%02d ' "$i")"; done
fi
declare -A visti=()
for n in $nomi; do
  nomevalido "$n" || errore "nome di banco non valido: «$n»"
  [ "$n" != docente ] || errore "«docente» è l'utente dell'insegnante, non un banco"
  [ -z "${visti[$n]:-}" ] || errore "banco ripetuto: «$n»"
  visti[$n]=1
done
cartella="${cartella:-./lumetto-classe-$classe}"
[ ! -e "$cartella" ] || errore "$cartella esiste già: scegli un'altra --cartella"
for programma in openssl mosquitto_passwd; do
  command -v "$programma" >/dev/null ||
    errore "manca $programma (apt install openssl mosquitto)"
done

umask 077
mkdir -p "$cartella"/{autorita,broker,banchi,docente}
cartella="$(cd "$cartella" && pwd)"

# The authority signs the broker's certificate; its key stays out of every
# machine (autorita/), only its certificate is deployed.
if [[ "$broker" =~ ^[0-9.]+$ || "$broker" == *:* ]]; then nome="IP:$broker"; else nome="DNS:$broker"; fi
openssl req -x509 -newkey rsa:3072 -nodes -days 3650 -subj "/CN=Lumetto classe $classe" \
  -keyout "$cartella/autorita/ca.key" -out "$cartella/broker/ca.crt" 2>/dev/null
openssl req -newkey rsa:3072 -nodes -subj "/CN=$broker" \
  -keyout "$cartella/broker/server.key" -out "$cartella/autorita/server.csr" 2>/dev/null
printf 'subjectAltName=%s\nextendedKeyUsage=serverAuth\n' "$nome" >"$cartella/autorita/server.ext"
openssl x509 -req -in "$cartella/autorita/server.csr" -CA "$cartella/broker/ca.crt" \
  -CAkey "$cartella/autorita/ca.key" -CAcreateserial -days 3650 \
  -extfile "$cartella/autorita/server.ext" -out "$cartella/broker/server.crt" 2>/dev/null

sed -e "s#/etc/mosquitto/lumetto#$percorso#g" -e "s#^listener 8883#listener $porta#" \
  "$qui/lumetto.conf" >"$cartella/broker/lumetto.conf"
cp "$qui/acl" "$cartella/broker/acl"

parola() { openssl rand -base64 48 | tr -dc 'A-Za-z0-9' | cut -c1-20; }

# Passwords go into the file in clear, then mosquitto_passwd hashes it in
# place: none of them ever shows on a command line.
: >"$cartella/broker/passwd"
conf() {  # user, password, bench or empty, folder
  {
    echo "# Lumetto: la classe $classe sul broker $broker. Va in /etc/lumetto/classe.conf,"
    echo "# con ca.crt accanto."
    echo "[broker]"
    echo "host=$broker"
    echo "port=$porta"
    echo "ca=ca.crt"
    echo "utente=$1"
    echo "password=$2"
    echo "[classe]"
    echo "nome=$classe"
    [ -z "$3" ] || echo "banco=$3"
  } >"$4/classe.conf"
  cp "$cartella/broker/ca.crt" "$4/ca.crt"
  chmod 644 "$4/classe.conf" "$4/ca.crt"
}
for n in $nomi; do
  p="$(parola)"
  echo "$n:$p" >>"$cartella/broker/passwd"
  mkdir -p "$cartella/banchi/$n"
  conf "$n" "$p" "$n" "$cartella/banchi/$n"
done
p="$(parola)"
echo "docente:$p" >>"$cartella/broker/passwd"
conf docente "$p" "" "$cartella/docente"
mosquitto_passwd -U "$cartella/broker/passwd"
chmod 644 "$cartella/broker/"{lumetto.conf,acl,ca.crt,server.crt}
chmod 640 "$cartella/broker/"{passwd,server.key}

cat >"$cartella/LEGGIMI.txt" <<FINE
Lumetto: la classe $classe sul broker $broker (porta $porta, TLS).

Sul computer del broker (Debian: apt install mosquitto):
  mkdir -p $percorso
  cp broker/passwd broker/acl broker/ca.crt broker/server.crt broker/server.key $percorso/
  chown root:mosquitto $percorso/passwd $percorso/server.key
  cp broker/lumetto.conf /etc/mosquitto/conf.d/lumetto.conf
  systemctl restart mosquitto

Su ogni banco (il PC con la scheda), per esempio banco01:
  mkdir -p /etc/lumetto
  cp banchi/banco01/classe.conf banchi/banco01/ca.crt /etc/lumetto/

Sul computer dell'insegnante (il programma lumetto-classe):
  mkdir -p /etc/lumetto
  cp docente/classe.conf docente/ca.crt /etc/lumetto/

La cartella autorita/ tiene la chiave che firma il certificato del broker:
conservala lontano dalla rete (serve solo per rifare il certificato).
Banchi: $nomi
FINE
echo "crea-classe.sh: la classe $classe è in $cartella (leggi LEGGIMI.txt)"
